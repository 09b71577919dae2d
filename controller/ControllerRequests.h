#pragma once
// Controller accesses asked for by threads that must never wait on the bus
// (the panel's thread, the audio service's threads): queued in order and
// carried out by the poll thread, which owns the bus, at the start of its
// next cycle. A driver call that never returns then holds the poll thread
// alone, and the panel keeps answering.
//
// A request uses only the controller it is given and what it captured from
// the state record, the panel lock and the work queue to the panel's thread:
// a poll thread left behind by such a call may run it after the panel's
// window has gone. Whatever it has for the window (a box with what it read)
// goes back through that queue.
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "controller/CMCU.h"
#include "shared/PanelState.h"

class ControllerRequests {
public:
    using Request = std::function<void(CMCU& controller)>;

    explicit ControllerRequests(CMCU& controller) : controller_(controller) {}

    // From any thread; returns at once.
    void Post(Request request);
    // Posts the write of value to register reg.
    void PostWrite(uint16_t reg, int32_t value);
    // On the poll thread: carries out the requests queued so far, in order.
    void RunQueued();
    // How many requests wait to be carried out.
    size_t WaitingCount();

private:
    CMCU& controller_;
    std::mutex mutex_; // guards queue_
    std::deque<Request> queue_;
};

// The panel's thread switches the backlight on or off: the state record says
// so at once, and register 20 is written by the poll thread. Until it has
// been, a controller event leaves the backlight alone, since register 23 may
// still give the value from before the switch.
void SwitchBacklight(PanelState& state, ControllerRequests& requests, bool on);

// A request whose answer the panel's thread waits for to show a box (the
// versions, the firmware): one at a time, so that repeated asking does not
// queue the same reads again and again. One that has gone unanswered for
// longer than the bound (a driver call that does not return holds the poll
// thread) no longer holds back the next: that one is asked too. Used on one
// thread.
class AwaitedAnswer {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kBound{2};

    // True when a request may be asked now, which then counts as asked at
    // now; false while one asked less than the bound ago is unanswered.
    bool Ask(Clock::time_point now = Clock::now());
    // The answer came: the next request may be asked at once.
    void Answered() { asked_.reset(); }

private:
    std::optional<Clock::time_point> asked_;
};
