#include "commands/PanelCommands.h"

#include "commands/FirmwareRead.h"
#include "commands/VersionTexts.h"
#include "controller/RegisterMap.h"
#include "display/TrayIndication.h"
#include "framework/ErrorReport.h"
#include "res/resource.h"

namespace {
void ShowFirmwareText(HWND owner, const FirmwareReport& report) {
    ShowMessageBox(owner, FirmwareText(report).c_str());
}
} // namespace

void PanelCommands::PostStatusChange(std::function<void(CMCU&, PanelState&)> change) {
    // Only what outlives the panel's window is used on the poll thread; the
    // tray is reached through the queue to the panel's thread. The panel lock
    // keeps the change and its writes together, as an event's steps are.
    c_.requests.Post([&state = c_.state, &lock = c_.panelLock, &queue = c_.queue, &tray = c_.tray,
                      change = std::move(change)](CMCU& controller) {
        {
            const std::lock_guard<std::recursive_mutex> hold(lock);
            change(controller, state);
        }
        queue.Post([&tray] { tray.UpdateTrayIndication(); });
    });
}

void PanelCommands::OnDimmingButton() {
    if (!c_.state.extendedRegisters || !Offers(kFunctionDimming))
        return;
    const uint8_t dimming = c_.state.autoDimming ? 0 : 1;
    c_.state.autoDimming = dimming;
    c_.tray.UpdateTrayIndication();
    PostStatusChange([dimming](CMCU& controller, PanelState& state) {
        state.autoDimming = dimming;
        controller.WriteRegister(REG_SET_DIMMING, dimming);
    });
}

void PanelCommands::OnFunctionButton() {
    if (c_.layout.Shown() == Arrangement::Volume) {
        // The device's mute comes back through the back-end; the poll
        // thread then writes register 7 and changes this button's picture.
        c_.audio.SetAudioMute((c_.state.statusBits & kStatusMute) ? 0 : 1);
        return;
    }
    if (!c_.state.extendedRegisters)
        return;
    if (c_.state.backlightOn) {
        SwitchBacklight(c_.state, c_.requests, false);
        // The panel's hook goes with the panel, so that the all-zero one for
        // the backlight can be set: the next input wakes the backlight.
        c_.visibility.HidePanel();
        c_.hook.SetPanelHook(HookRect{});
    } else {
        c_.hook.RemovePanelHook();
        SwitchBacklight(c_.state, c_.requests, true);
    }
    c_.layout.ShowFunctionPicture();
    c_.controls.functionButton.Invalidate();
}

void PanelCommands::OnLockButton() {
    if (!c_.state.extendedRegisters || !Offers(kFunctionLock))
        return;
    const uint8_t locked = c_.state.keypadLocked ? 0 : 1;
    c_.state.keypadLocked = locked;
    c_.tray.UpdateTrayIndication();
    PostStatusChange([locked](CMCU& controller, PanelState& state) {
        state.keypadLocked = locked;
        controller.WriteRegister(REG_SET_LOCK, locked);
    });
}

void PanelCommands::OnEnvironment(UINT item) {
    if (!c_.state.extendedRegisters)
        return;
    c_.tray.CheckEnvironmentItem(item);
    c_.requests.PostWrite(REG_SET_LUX, EnvironmentValueOf(item));
}

LRESULT PanelCommands::OnSliderMoved(WPARAM wParam) {
    if (wParam != IDC_LEVEL_SLIDER)
        return 1;
    const int value = c_.controls.levelSlider.GetValue();
    if (c_.layout.Shown() == Arrangement::Volume) {
        PushSliderVolume(value);
    } else if (c_.state.autoDimming && c_.state.extendedRegisters) {
        // Moving the brightness by hand ends automatic dimming and writes the
        // brightness at once. The controller then holds the slider's value,
        // which the periodic sync compares the next slider value with.
        c_.state.autoDimming = 0;
        c_.tray.UpdateTrayIndication();
        PostStatusChange([value](CMCU& controller, PanelState& state) {
            state.autoDimming = 0;
            controller.WriteRegister(REG_SET_DIMMING, 0);
            controller.WriteRegister(REG_SET_BRIGHTNESS, value);
            state.brightness = state.shownBrightness = state.pendingBrightness =
                state.requestedBrightness = value;
        });
    } else {
        // The periodic sync writes it to the controller. Asked for through
        // the poll thread too, so that it comes after a brightness that a
        // request before it writes.
        c_.requests.Post([&state = c_.state, value](CMCU&) { state.requestedBrightness = value; });
    }
    return 1;
}

void PanelCommands::PushSliderVolume(int32_t volume) {
    // Before the device is set: its echo may reach the poll thread at once.
    c_.state.skipSliderEcho = volume;
    c_.audio.SetAudioVolume(volume);
}

bool PanelCommands::PreTranslateMessage(const MSG& msg) {
    const HWND panel = c_.controls.Dialog();
    const bool forPanel = msg.hwnd == panel || IsChild(panel, msg.hwnd);
    if (msg.message == WM_KEYDOWN) {
        switch (msg.wParam) {
        case VK_RETURN:
        case VK_ESCAPE:
        case VK_CANCEL: // Ctrl+Break
            return forPanel;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            c_.visibility.ShowPanel(); // then the focused slider moves a step
            return false;
        case VK_F3:
            // Held down, or only its toggle bit set.
            if (GetKeyState(VK_CONTROL) != 0)
                ShowFirmwareBox();
            return false;
        case VK_F4:
            return GetKeyState(VK_LBUTTON) != 0;
        }
        return false;
    }
    if (msg.message == WM_MOUSEMOVE && forPanel && c_.visibility.FadingOut())
        c_.visibility.StopFade();
    return false;
}

void PanelCommands::ShowFirmwareBox() {
    // The box that is up comes to the front; nothing is read again for it.
    if (firmwareBox_.BringToFront())
        return;
    FirmwareReport report;
    report.extendedRegisters = c_.state.extendedRegisters != 0;
    report.major = c_.state.firmwareMajor;
    report.minor = c_.state.firmwareMinor;
    if (!report.extendedRegisters) {
        ShowFirmwareReport(report);
        return;
    }
    // One read at a time: a flood of Ctrl+F3 does not queue reads ahead of
    // the keypad's events.
    if (!firmwareRead_.Ask())
        return;
    c_.requests.Post([&queue = c_.queue, this, report](CMCU& controller) mutable {
        ReadFirmwareRegisters(controller, report);
        queue.Post([this, report] {
            firmwareRead_.Answered();
            ShowFirmwareReport(report);
        });
    });
}

void PanelCommands::ShowFirmwareReport(const FirmwareReport& report) {
    firmwareBox_.Show([this, report] { ShowFirmwareText(c_.controls.Dialog(), report); });
}
