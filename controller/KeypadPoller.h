#pragma once
// The poll thread's work: every 30 ms carry out the controller accesses other
// threads asked for, push the program's own changes to the controller, then
// read the input line and, when it is low, bring panel, tray and audio device
// up to date from the controller's registers.
#include <chrono>
#include <mutex>

#include "controller/CMCU.h"
#include "controller/ControllerRequests.h"
#include "controller/PanelOperations.h"
#include "shared/PanelState.h"

class KeypadPoller {
public:
    KeypadPoller(PanelState& state, CMCU& controller, ControllerRequests& requests,
                 PanelOperations& panel, std::recursive_mutex& panelLock,
                 std::chrono::milliseconds period = std::chrono::milliseconds(30));

    // The thread function: loops until pollRunning is cleared, carries out
    // the requests queued before that, and returns 1.
    // pollRunning is set by the starter before the thread runs, so that a
    // close request that comes at once is never lost.
    int PollThreadProc();
    void SyncPendingChanges();
    void OnControllerEvent();

private:
    void Arrange(Arrangement mode);
    bool Showing(Arrangement mode) const { return state_.showingBrightness == mode; }
    void SetAudioMute(int32_t flag);
    void ShowBrightness();
    void ShowVolume();

    PanelState& state_;
    CMCU& controller_;
    ControllerRequests& requests_;
    PanelOperations& panel_;
    std::recursive_mutex& panelLock_;
    std::chrono::milliseconds period_;
};
