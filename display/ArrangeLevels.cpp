#include "display/ArrangeLevels.h"

#include "controller/RegisterMap.h"
#include "res/resource.h"

ArrangeLevels CurrentLevels(const PanelState& state) {
    return ArrangeLevels{state.keypadVolume, state.brightness,
                         (state.statusBits & kStatusMute) != 0, state.backlightOn != 0};
}

int FunctionButtonPicture(Arrangement shown, const ArrangeLevels& levels) {
    if (shown == Arrangement::Volume)
        return levels.muted ? IDB_VOLUME_MUTED : IDB_VOLUME_SOUND;
    return levels.backlightOn ? IDB_BACKLIGHT_ON : IDB_BACKLIGHT_OFF;
}
