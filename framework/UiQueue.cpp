#include "framework/UiQueue.h"

void UiQueue::Post(HWND window, std::function<void()> work) {
    bool wasEmpty;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        wasEmpty = work_.empty();
        work_.push_back(std::move(work));
    }
    if (wasEmpty)
        PostMessageA(window, WM_RUN_QUEUED, 0, 0);
}

void UiQueue::RunQueued() {
    for (;;) {
        std::function<void()> next;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (work_.empty())
                return;
            next = std::move(work_.front());
            work_.pop_front();
        }
        next();
    }
}

void UiQueue::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    work_.clear();
}
