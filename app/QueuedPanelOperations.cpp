#include "app/QueuedPanelOperations.h"

#include "app/LumitraxDlg.h"
#include "display/PanelLayout.h"
#include "display/TrayIcon.h"
#include "framework/ErrorReport.h"
#include "res/resource.h"
#include "shared/PanelMessages.h"

void QueuedPanelOperations::ShowPanel() {
    // With the backlight as it is now: the show may come to run after a later
    // step of the same event has switched it off, which is then kept.
    queue_.Post([&panel = panel_, backlightOff = state_.backlightOn == 0] {
        panel.ShowPanel(backlightOff);
    });
}

void QueuedPanelOperations::HidePanel() {
    queue_.Post([&panel = panel_] { panel.HidePanel(); });
}

void QueuedPanelOperations::ArrangePanel(Arrangement mode) {
    queue_.Post([&panel = panel_, mode, levels = CurrentLevels(state_),
                 request = state_.arrangementRequests.Increment()] {
        panel.ArrangePanel(mode, levels, request);
    });
}

void QueuedPanelOperations::SetSliderValue(Arrangement mode, int32_t value) {
    queue_.Post([&panel = panel_, mode, value] { panel.SetSliderValue(mode, value); });
}

void QueuedPanelOperations::UpdateFunctionButton() {
    // With the state as it is when the panel's thread comes to it: the
    // panel's own commands may have changed it since (the function button
    // switched the backlight off).
    queue_.Post([&panel = panel_] { panel.Layout().ShowFunctionPicture(); });
}

void QueuedPanelOperations::UpdateTrayIndication() {
    queue_.Post([&panel = panel_] { panel.UpdateTrayIndication(); });
}

void QueuedPanelOperations::SetAudioMute(int32_t flag) {
    // The audio device is not a window: set it from the poll thread itself.
    audio_.SetAudioMute(flag);
}

void QueuedPanelOperations::SetPanelHook(const HookRect& rect) {
    queue_.Post([&panel = panel_, rect] { panel.SetPanelHook(rect); });
}

void QueuedPanelOperations::RemovePanelHook() {
    queue_.Post([&panel = panel_] { panel.RemovePanelHook(); });
}

void QueuedPanelOperations::PushSliderVolume(int32_t volume) {
    // Through the queue, so that it comes after the slider value queued
    // before it, even while a message box runs its own loop; and with the
    // volume itself, so that a switch to brightness clicked meanwhile does
    // not make it a brightness.
    queue_.Post([&panel = panel_, volume] { panel.PushSliderVolume(volume); });
}

void QueuedPanelOperations::FailInputLine() {
    const HWND panel = queue_.Window();
    ShowMessageBox(panel, "GPI_DLL GetValue Error!!");
    // The process ends here, without the panel's own shutdown: no dead icon
    // is left in the tray.
    TrayIcon::DeleteTrayIconOf(panel);
    ExitProcess(1);
}
