#pragma once
// Work handed from other threads to a window's own thread: queued in order
// under a mutex, run after one posted message. The caller never waits.
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "framework/Win32.h"

// The message that tells the window to run what is queued.
constexpr UINT WM_RUN_QUEUED = WM_APP + 1;

class UiQueue {
public:
    // The window whose thread runs the work; null while there is none.
    void SetWindow(HWND window);
    HWND Window();
    // Queues work and posts WM_RUN_QUEUED unless a post is outstanding (one
    // message covers everything queued until it is handled). A post that
    // fails (the window's message queue is full, or there is no window yet)
    // is made again by the next Post, and RunIfStalled runs the work meanwhile.
    void Post(std::function<void()> work);
    // On the window's thread, in answer to WM_RUN_QUEUED: runs the work
    // queued so far, in order; work queued meanwhile runs in answer to the
    // next WM_RUN_QUEUED, after the messages that came before it. Work that
    // runs a modal loop does not hold up the rest: that loop runs it.
    void RunQueued();
    // On the window's thread, for any message it takes from its queue: runs
    // work whose post failed, so that queued work never waits for ever.
    void RunIfStalled();
    // How many pieces of work wait to run.
    size_t WaitingCount();
    // Drops whatever is still queued (the window is going away).
    void Clear();

private:
    std::mutex mutex_; // guards everything below
    std::deque<std::function<void()>> work_;
    HWND window_ = nullptr;
    bool posted_ = false; // a WM_RUN_QUEUED is on its way
    uint64_t taken_ = 0;  // pieces of work taken from the queue so far
};
