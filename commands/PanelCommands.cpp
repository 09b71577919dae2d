#include "commands/PanelCommands.h"

#include "commands/VersionTexts.h"
#include "controller/RegisterMap.h"
#include "display/TrayIndication.h"
#include "framework/ErrorReport.h"
#include "res/resource.h"

void PanelCommands::OnDimmingButton() {
    if (!c_.state.extendedRegisters || !Offers(kFunctionDimming))
        return;
    if (c_.state.autoDimming) {
        const std::lock_guard<std::recursive_mutex> lock(c_.panelLock);
        c_.state.autoDimming = 0;
        c_.controller.WriteRegister(REG_SET_DIMMING, 0);
    } else {
        c_.state.autoDimming = 1;
        c_.controller.WriteRegister(REG_SET_DIMMING, 1);
    }
    c_.tray.UpdateTrayIndication();
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
        c_.state.backlightOn = 0;
        c_.state.backlightValue = 0;
        c_.controller.WriteRegister(REG_SET_BACKLIGHT, 0);
        c_.controls.functionButton.LoadBitmaps(IDB_BACKLIGHT_OFF);
        // The panel's hook goes with the panel, so that the all-zero one for
        // the backlight can be set: the next input wakes the backlight.
        c_.visibility.HidePanel();
        c_.hook.SetPanelHook(HookRect{});
    } else {
        c_.hook.RemovePanelHook();
        c_.state.backlightOn = 1;
        c_.state.backlightValue = 1;
        c_.controller.WriteRegister(REG_SET_BACKLIGHT, 1);
        c_.controls.functionButton.LoadBitmaps(IDB_BACKLIGHT_ON);
    }
    c_.controls.functionButton.Invalidate();
}

void PanelCommands::OnLockButton() {
    if (!c_.state.extendedRegisters || !Offers(kFunctionLock))
        return;
    const std::lock_guard<std::recursive_mutex> lock(c_.panelLock);
    const uint8_t locked = c_.state.keypadLocked ? 0 : 1;
    c_.state.keypadLocked = locked;
    c_.tray.UpdateTrayIndication();
    c_.controller.WriteRegister(REG_SET_LOCK, locked);
}

void PanelCommands::OnEnvironment(UINT item) {
    if (!c_.state.extendedRegisters)
        return;
    c_.tray.CheckEnvironmentItem(item);
    c_.controller.WriteRegister(REG_SET_LUX, EnvironmentValueOf(item));
}

LRESULT PanelCommands::OnSliderMoved(WPARAM wParam) {
    if (wParam != IDC_LEVEL_SLIDER)
        return 1;
    const int value = c_.controls.levelSlider.GetValue();
    if (c_.layout.Shown() == Arrangement::Volume) {
        PushSliderVolume(value);
    } else if (c_.state.autoDimming && c_.state.extendedRegisters) {
        // Moving the brightness by hand ends automatic dimming.
        const std::lock_guard<std::recursive_mutex> lock(c_.panelLock);
        c_.state.autoDimming = 0;
        c_.controller.WriteRegister(REG_SET_DIMMING, 0);
        c_.controller.WriteRegister(REG_SET_BRIGHTNESS, value);
        c_.tray.UpdateTrayIndication();
    } else {
        c_.state.requestedBrightness = value; // the poll thread writes it to the controller
    }
    return 1;
}

void PanelCommands::PushSliderVolume(int32_t volume) {
    c_.audio.SetAudioVolume(volume);
    c_.state.skipSliderEcho = 1;
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
    firmwareBox_.Show([this] {
        FirmwareReport report;
        report.extendedRegisters = c_.state.extendedRegisters != 0;
        report.major = c_.state.firmwareMajor;
        report.minor = c_.state.firmwareMinor;
        if (report.extendedRegisters) {
            int32_t type = 0;
            if (c_.controller.ReadRegister(REG_TYPE, type))
                report.type = type;
            // Three reads in a row; the first that fails ends them.
            for (int32_t* part : {&report.letter, &report.high, &report.low})
                if (!c_.controller.ReadRegister(REG_RDNUM, *part))
                    break;
        }
        ShowMessageBox(c_.controls.Dialog(), FirmwareText(report).c_str());
    });
}
