#pragma once
// The poll thread's panel operations for the real panel: every window effect
// is queued for the panel's own thread with its arguments taken now, in the
// order asked, and the poll thread never waits for the panel.
#include "controller/PanelOperations.h"

class CLumitraxDlg;

class QueuedPanelOperations : public PanelOperations {
public:
    explicit QueuedPanelOperations(CLumitraxDlg& panel) : panel_(panel) {}

    void ShowPanel() override;
    void HidePanel() override;
    void ArrangePanel(int mode) override;
    void SetSliderValue(int32_t value) override;
    void SetFunctionButtonPicture(int bitmapId) override;
    void UpdateTrayIndication() override;
    void SetAudioMute(int32_t flag) override;
    void SetPanelHook(const HookRect& rect) override;
    void RemovePanelHook() override;
    void PostSliderMoving() override;
    void FailInputLine() override;

private:
    template <class Work> void Queue(Work work);
    CLumitraxDlg& panel_;
};
