#include "commands/PanelCommands.h"

#include "controller/RegisterMap.h"
#include "res/resource.h"

PanelCommands::PanelCommands(PanelState& state, CMCU& controller, PanelControls& controls,
                             PanelLayout& layout, AudioDevice& audio, TrayIcon& tray,
                             std::recursive_mutex& panelLock)
    : state_(state), controller_(controller), controls_(controls), layout_(layout), audio_(audio),
      tray_(tray), panelLock_(panelLock) {}

LRESULT PanelCommands::OnSliderMoved(WPARAM wParam) {
    if (wParam != IDC_LEVEL_SLIDER)
        return 1;
    const int value = controls_.levelSlider.GetValue();
    if (layout_.Shown() == Arrangement::Volume) {
        audio_.SetAudioVolume(value);
        state_.skipSliderEcho = 1;
    } else if (state_.autoDimming && state_.extendedRegisters) {
        // Moving the brightness by hand ends automatic dimming.
        const std::lock_guard<std::recursive_mutex> lock(panelLock_);
        state_.autoDimming = 0;
        controller_.WriteRegister(REG_SET_DIMMING, 0);
        controller_.WriteRegister(REG_SET_BRIGHTNESS, value);
        tray_.UpdateTrayIndication();
    } else {
        state_.requestedBrightness = value; // the poll thread writes it to the controller
    }
    return 1;
}
