#pragma once
// Work handed from other threads to a window's own thread: queued in order
// under a mutex, run after one posted message. The caller never waits.
#include <deque>
#include <functional>
#include <mutex>

#include "framework/Win32.h"

// The message that tells the window to run what is queued.
constexpr UINT WM_RUN_QUEUED = WM_APP + 1;

class UiQueue {
public:
    // Queues work for window's thread; posts WM_RUN_QUEUED when the queue
    // was empty (one message covers everything queued until it is handled).
    void Post(HWND window, std::function<void()> work);
    // On the window's thread, in answer to WM_RUN_QUEUED: runs everything
    // queued, in order, including work queued meanwhile.
    void RunQueued();
    // Drops whatever is still queued (the window is going away).
    void Clear();

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> work_;
};
