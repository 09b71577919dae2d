#include "framework/UiQueue.h"

#include <string>

#include "framework/ErrorReport.h"

void UiQueue::SetWindow(HWND window) {
    std::lock_guard<std::mutex> lock(mutex_);
    window_ = window;
    posted_ = false;
}

HWND UiQueue::Window() {
    std::lock_guard<std::mutex> lock(mutex_);
    return window_;
}

void UiQueue::Post(std::function<void()> work) {
    DWORD error = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        work_.push_back(std::move(work));
        if (posted_)
            return;
        posted_ = window_ && PostMessageA(window_, WM_RUN_QUEUED, 0, 0);
        if (!posted_)
            error = window_ ? GetLastError() : ERROR_INVALID_WINDOW_HANDLE;
    }
    if (error)
        Trace(("work for the panel waits: its message could not be posted (error " +
               std::to_string(error) + ")")
                  .c_str());
}

void UiQueue::RunQueued() {
    // The work queued by now; work queued while it runs waits for the next
    // WM_RUN_QUEUED, so that messages that came meanwhile (a thread waiting
    // for the window's answer, a timer) are served first. Counted by what
    // has been taken, so that work a modal loop ran meanwhile counts too.
    uint64_t end;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        end = taken_ + work_.size();
    }
    bool reposted = false;
    for (;;) {
        std::function<void()> next;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (work_.empty())
                posted_ = false;
            if (work_.empty() || taken_ >= end)
                return;
            next = std::move(work_.front());
            work_.pop_front();
            ++taken_;
            // Work may run a modal loop (a message box): what is queued
            // behind it, or comes meanwhile, gets a message of its own that
            // such a loop dispatches. Without one, the next Post tries again
            // and RunIfStalled runs it from the window's loop.
            if (work_.empty()) {
                posted_ = false;
            } else if (!reposted) {
                reposted = window_ && PostMessageA(window_, WM_RUN_QUEUED, 0, 0) != FALSE;
                if (!reposted)
                    posted_ = false;
            }
        }
        next();
    }
}

size_t UiQueue::WaitingCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return work_.size();
}

void UiQueue::RunIfStalled() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (posted_ || work_.empty())
            return;
        posted_ = true; // work posted meanwhile is run by this call
    }
    RunQueued();
}

void UiQueue::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    work_.clear();
    posted_ = false; // a message on its way finds nothing to run
}
