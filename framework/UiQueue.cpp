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
    // for the window's answer, a timer) are served first.
    size_t batch;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        batch = work_.size();
    }
    bool reposted = false, repostFailed = false;
    for (; batch > 0; --batch) {
        std::function<void()> next;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (work_.empty()) {
                posted_ = false;
                return;
            }
            next = std::move(work_.front());
            work_.pop_front();
            // Work may run a modal loop (a message box): what is queued
            // behind it, or comes meanwhile, gets a message of its own that
            // such a loop dispatches.
            if (work_.empty()) {
                posted_ = false;
            } else if (!reposted && window_) {
                reposted = PostMessageA(window_, WM_RUN_QUEUED, 0, 0) != FALSE;
                repostFailed = !reposted;
            }
        }
        next();
    }
    // Work left without a message of its own is run by RunIfStalled.
    if (repostFailed) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!work_.empty())
            posted_ = false;
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
}
