#pragma once
// What the panel's arrangements show besides the places of their controls:
// the levels and states taken when an arrangement is asked for, and the
// function button's picture, which follows the arrangement on the screen.
#include <cstdint>

#include "shared/PanelState.h"

// The levels and states an arrangement shows, taken when it is asked for.
struct ArrangeLevels {
    int32_t keypadVolume;
    int32_t brightness;
    bool muted;
    bool backlightOn;
};

// What the state record would show now.
ArrangeLevels CurrentLevels(const PanelState& state);

// The function button's picture in an arrangement: volume, the muted speaker
// (172) exactly when muted, else the speaker with sound (173); brightness,
// the lit bulb (159) while the backlight is on, else the dark one (158).
int FunctionButtonPicture(Arrangement shown, const ArrangeLevels& levels);
