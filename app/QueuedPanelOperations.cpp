#include "app/QueuedPanelOperations.h"

#include "app/LumitraxDlg.h"
#include "display/PanelLayout.h"
#include "display/TrayIcon.h"
#include "framework/ErrorReport.h"
#include "res/resource.h"
#include "shared/PanelMessages.h"

void QueuedPanelOperations::ShowPanel() {
    queue_.Post([&panel = panel_] { panel.ShowPanel(); });
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

void QueuedPanelOperations::SetSliderValue(int32_t value) {
    queue_.Post([&panel = panel_, value] { panel.Controls().levelSlider.SetValue(value); });
}

void QueuedPanelOperations::SetFunctionButtonPicture(int bitmapId) {
    queue_.Post([&panel = panel_, bitmapId] {
        panel.Controls().SetFunctionButtonPicture(static_cast<UINT>(bitmapId));
    });
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

void QueuedPanelOperations::PostSliderMoving() {
    // Through the queue, so that the message comes after the slider values
    // queued before it even while a message box runs its own loop.
    queue_.Post([&panel = panel_] {
        PostMessageA(panel.GetSafeHwnd(), WM_SLIDER_MOVING, IDC_LEVEL_SLIDER, 0);
    });
}

void QueuedPanelOperations::FailInputLine() {
    const HWND panel = queue_.Window();
    ShowMessageBox(panel, "GPI_DLL GetValue Error!!");
    // The process ends here, without the panel's own shutdown: no dead icon
    // is left in the tray.
    TrayIcon::DeleteTrayIconOf(panel);
    ExitProcess(1);
}
