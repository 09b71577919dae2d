#include "controller/ControllerRequests.h"

#include "controller/RegisterMap.h"

void ControllerRequests::Post(Request request) {
    const std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(request));
}

void ControllerRequests::PostWrite(uint16_t reg, int32_t value) {
    Post([reg, value](CMCU& controller) { controller.WriteRegister(reg, value); });
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

size_t ControllerRequests::WaitingCount() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
}

void SwitchBacklight(PanelState& state, ControllerRequests& requests, bool on) {
    const uint8_t flag = on ? 1 : 0;
    // Counted before the new state is published: an event that sees the new
    // state also sees the count (see KeypadPoller's backlight step).
    state.backlightRequests.Increment();
    state.backlightValue = flag;
    state.backlightOn.Publish(flag);
    requests.Post([&state, flag](CMCU& controller) {
        controller.WriteRegister(REG_SET_BACKLIGHT, flag);
        state.backlightRequests.Decrement();
    });
}

bool AwaitedAnswer::Ask(Clock::time_point now) {
    if (asked_ && now - *asked_ < kBound)
        return false;
    asked_ = now;
    return true;
}
