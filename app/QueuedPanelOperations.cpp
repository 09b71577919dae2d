#include "app/QueuedPanelOperations.h"

#include "app/LumitraxDlg.h"
#include "app/PanelMessages.h"
#include "framework/Messages.h"
#include "res/resource.h"

template <class Work> void QueuedPanelOperations::Queue(Work work) {
    panel_.uiQueue.Post(panel_.GetSafeHwnd(), std::move(work));
}

void QueuedPanelOperations::ShowPanel() {
    Queue([&panel = panel_] { panel.ShowPanel(); });
}

void QueuedPanelOperations::HidePanel() {
    Queue([&panel = panel_] { panel.HidePanel(); });
}

void QueuedPanelOperations::ArrangePanel(int mode) {
    Queue([&panel = panel_, mode, levels = panel_.CurrentLevels()] {
        panel.ArrangePanel(mode, levels);
    });
}

void QueuedPanelOperations::SetSliderValue(int32_t value) {
    Queue([&panel = panel_, value] { panel.levelSlider.SetValue(value); });
}

void QueuedPanelOperations::SetFunctionButtonPicture(int bitmapId) {
    Queue([&panel = panel_, bitmapId] { panel.SetFunctionButtonPicture(bitmapId); });
}

void QueuedPanelOperations::UpdateTrayIndication() {
    Queue([&panel = panel_] { panel.UpdateTrayIndication(); });
}

void QueuedPanelOperations::SetAudioMute(int32_t flag) {
    // The audio device is not a window: set it from the poll thread itself.
    panel_.SetAudioMute(flag);
}

void QueuedPanelOperations::SetPanelHook(const HookRect& rect) {
    const RECT r{rect.left, rect.top, rect.right, rect.bottom};
    Queue([&panel = panel_, r] { panel.SetPanelHook(r); });
}

void QueuedPanelOperations::RemovePanelHook() {
    Queue([&panel = panel_] { panel.RemovePanelHook(); });
}

void QueuedPanelOperations::PostSliderMoving() {
    PostMessageA(panel_.GetSafeHwnd(), WM_SLIDER_MOVING, IDC_LEVEL_SLIDER, 0);
}

void QueuedPanelOperations::FailInputLine() {
    ShowMessage(panel_.GetSafeHwnd(), "GPI_DLL GetValue Error!!");
    ExitProcess(1);
}
