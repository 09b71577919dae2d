#include "controller/ControllerRequests.h"

void ControllerRequests::Post(Request request) {
    const std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(request));
}

void ControllerRequests::RunQueued() {
    std::deque<Request> taken;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        taken.swap(queue_);
    }
    for (Request& request : taken)
        request(controller_);
}
