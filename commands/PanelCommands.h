#pragma once
// The panel's commands: what the level slider's messages do. Runs on the
// panel's thread.
#include <mutex>

#include "audio/AudioDevice.h"
#include "controller/CMCU.h"
#include "controls/PanelControls.h"
#include "display/PanelLayout.h"
#include "display/TrayIcon.h"
#include "shared/PanelState.h"

class PanelCommands {
public:
    PanelCommands(PanelState& state, CMCU& controller, PanelControls& controls, PanelLayout& layout,
                  AudioDevice& audio, TrayIcon& tray, std::recursive_mutex& panelLock);

    // WM_SLIDER_MOVING and WM_SLIDER_MOVED: the level slider (wParam its id)
    // moved, or the poll thread set it to a new keypad volume. Pushes its
    // value to the audio device or asks for it as the brightness, by the
    // level the slider shows on the screen. Returns 1.
    LRESULT OnSliderMoved(WPARAM wParam);

private:
    PanelState& state_;
    CMCU& controller_;
    PanelControls& controls_;
    PanelLayout& layout_;
    AudioDevice& audio_;
    TrayIcon& tray_;
    std::recursive_mutex& panelLock_;
};
