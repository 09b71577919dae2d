#pragma once
// Start-up's guard against a driver that never answers. A driver whose
// GPIDLL_Open or a start-up read never returns would hold the process for
// good, before the panel can show anything, with the single-instance mutex
// that keeps every later copy from starting. Unless start-up comes to the
// start of the poll thread within the bound, the user is told and the
// process ends with exit status 1. Time in which the start-up thread shows a
// box (it waits for the user, not for the driver) does not count.
#include "framework/Handle.h"
#include "framework/WorkerThread.h"

class StartUpWatchdog {
public:
    // 20 s: start-up's persistent reads each give up after about a second.
    static constexpr DWORD kBoundMs = 20000;

    // Starts watching the calling thread's start-up.
    StartUpWatchdog();
    // Ends the watch.
    ~StartUpWatchdog();
    StartUpWatchdog(const StartUpWatchdog&) = delete;
    StartUpWatchdog& operator=(const StartUpWatchdog&) = delete;

    // Start-up has come to the start of the poll thread: the watch ends.
    void Reached();

private:
    KernelHandle reached_; // an event, set once start-up is over
    WorkerThread watch_;
};
