#pragma once
// The panel's commands: its buttons, the level slider's messages, the
// Environment menu, and the keys and mouse movements the panel looks at
// before they are dispatched (with the hidden firmware-version box). Runs on
// the panel's thread, which never waits on the bus and so never takes the
// panel lock (the poll thread holds it across an event's accesses): each
// handler makes its changes of state and screen at once and hands its
// register accesses, in its order, to the poll thread as one request; what
// a request reads comes back through the work queue to the panel's thread.
// The poll thread runs requests between events, never during one. A change
// that an event also reads back from the controller survives an event that
// comes before its write: automatic dimming and the keypad lock are made
// again by their request (PostStatusChange), and the backlight is left alone
// by events while its write is pending (SwitchBacklight).
#include <functional>
#include <mutex>

#include "audio/AudioDevice.h"
#include "commands/VersionTexts.h"
#include "controller/ControllerRequests.h"
#include "controls/PanelControls.h"
#include "display/PanelLayout.h"
#include "display/PanelVisibility.h"
#include "display/TrayIcon.h"
#include "framework/SingleBox.h"
#include "framework/UiQueue.h"
#include "shared/HookControl.h"
#include "shared/PanelState.h"

// What the commands work on.
struct CommandContext {
    PanelState& state;
    ControllerRequests& requests;
    PanelControls& controls;
    PanelLayout& layout;
    PanelVisibility& visibility;
    AudioDevice& audio;
    TrayIcon& tray;
    HookControl& hook;
    std::recursive_mutex& panelLock;
    UiQueue& queue; // to the panel's thread
};

class PanelCommands {
public:
    explicit PanelCommands(const CommandContext& context) : c_(context) {}

    // Each command acts only where the panel offers it (its button shown,
    // the controller's registers there), whoever sends it.
    // Automatic dimming on or off (register 21).
    void OnDimmingButton();
    // Volume arrangement: the device's mute the other way than the keypad's.
    // Brightness arrangement: the backlight off (the panel hides and the next
    // input wakes it) or on (register 20).
    void OnFunctionButton();
    // The buzzer is only shown.
    void OnBuzzerButton() {}
    // The keypad lock on or off (register 33).
    void OnLockButton();
    // An Environment item (32774 to 32777): its check mark and register 32;
    // the submenu is greyed without the extended registers.
    void OnEnvironment(UINT item);
    // WM_SLIDER_MOVING and WM_SLIDER_MOVED: the level slider (wParam its id)
    // moved, or the poll thread set it to a new keypad volume. Pushes its
    // value to the audio device or asks for it as the brightness, by the
    // level the slider shows on the screen. Returns 1.
    LRESULT OnSliderMoved(WPARAM wParam);
    // The keypad volume the poll thread gave the slider, to the audio device.
    void PushSliderVolume(int32_t volume);
    // Keys and mouse movements of the panel's thread before they are
    // dispatched: true swallows the message. Enter, Escape and Ctrl+Break
    // never close the panel (those of a box still reach the box); the arrows
    // show it; Ctrl+F3 shows the firmware box; F4 with the left button held
    // is swallowed; the mouse over the panel stops a fade.
    bool PreTranslateMessage(const MSG& msg);
    // The controller's firmware version, in a message box owned by the panel
    // (once the poll thread has read the registers it needs); a request
    // while it is up brings it to the front, and one while its reads are
    // pending does nothing more, unless they have gone unanswered for the
    // bound of AwaitedAnswer.
    void ShowFirmwareBox();

private:
    bool Offers(uint8_t function) const { return (c_.state.functionMask & function) != 0; }
    // A request that changes automatic dimming or the keypad lock, which a
    // controller event also reads from the status. An event that ran between
    // the handler and the request has read the old status and set the field
    // back: the request makes the change again before its writes, and the
    // tray follows again afterwards. It holds the panel lock for them as an
    // event does; in the program both run on the poll thread, so that lock
    // never waits, and the order of requests and events is what counts.
    void PostStatusChange(std::function<void(CMCU&, PanelState&)> change);
    // The firmware box with what report holds, or the one that is up.
    void ShowFirmwareReport(const FirmwareReport& report);

    CommandContext c_;
    SingleBox firmwareBox_;
    AwaitedAnswer firmwareRead_; // the registers the box shows, from the poll thread
};
