#pragma once
// What the poll thread asks of the panel, the tray and the audio device.
// The program's implementation hands every window effect to the message
// thread in the order asked and never waits for it; tests record the calls.
#include <cstdint>

#include "shared/HookControl.h"
#include "shared/PanelState.h"

class PanelOperations {
public:
    virtual ~PanelOperations() = default;
    // Shows the panel, waking the backlight first if it is off now (a show
    // asked for while it was on never wakes it, though it went off since).
    virtual void ShowPanel() = 0;
    virtual void HidePanel() = 0;
    // The caller has already set showingBrightness.
    virtual void ArrangePanel(Arrangement mode) = 0;
    // The slider's value in the arrangement it belongs to (left alone when
    // the screen shows the other one by then).
    virtual void SetSliderValue(Arrangement mode, int32_t value) = 0;
    // The function button shows the picture of the arrangement on the screen
    // for the status and backlight as they are now.
    virtual void UpdateFunctionButton() = 0;
    virtual void UpdateTrayIndication() = 0;
    virtual void SetAudioMute(int32_t flag) = 0;
    virtual void SetPanelHook(const HookRect& rect) = 0;
    virtual void RemovePanelHook() = 0;
    // The message thread sets the audio device's volume to the keypad volume
    // the slider was just given, as the slider's WM_SLIDER_MOVING would: in
    // order after the slider value, and to the volume whichever level the
    // screen shows by then.
    virtual void PushSliderVolume(int32_t volume) = 0;
    // The input line could not be read: tell the user, then end the process
    // with exit status 1. Does not return in the program.
    virtual void FailInputLine() = 0;
};
