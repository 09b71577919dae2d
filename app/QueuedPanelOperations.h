#pragma once
// The poll thread's panel operations for the real panel: every window effect
// is queued for the panel's own thread with its arguments taken now (the
// function button's picture excepted: it follows the state as it is when it
// is drawn), in the order asked, and the poll thread never waits for the
// panel. Only the queued work touches the panel; the poll thread itself
// touches the queue, the state record and the audio device.
#include "audio/AudioDevice.h"
#include "controller/PanelOperations.h"
#include "framework/UiQueue.h"

class CLumitraxDlg;

class QueuedPanelOperations : public PanelOperations {
public:
    QueuedPanelOperations(CLumitraxDlg& panel, PanelState& state, UiQueue& queue,
                          AudioDevice& audio)
        : panel_(panel), state_(state), queue_(queue), audio_(audio) {}

    void ShowPanel() override;
    void HidePanel() override;
    void ArrangePanel(Arrangement mode) override;
    void SetSliderValue(Arrangement mode, int32_t value) override;
    void UpdateFunctionButton() override;
    void UpdateTrayIndication() override;
    void SetAudioMute(int32_t flag) override;
    void SetPanelHook(const HookRect& rect) override;
    void RemovePanelHook() override;
    void PushSliderVolume(int32_t volume) override;
    void FailInputLine() override;

private:
    CLumitraxDlg& panel_;
    PanelState& state_;
    UiQueue& queue_;
    AudioDevice& audio_;
};
