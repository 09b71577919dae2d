#pragma once
// Reaches the simulated keypad controller from any process of the session: a
// named file mapping holds its KeypadState and a named mutex makes each use
// of it indivisible. The first process to open the block initialises it with
// the profile named by the environment variable GPIDLL_SIM_PROFILE
// ("extended", the default, or "basic"). GPIDLL_SIM_NAME, when set, names
// the block instead of "LumitraxKeypadSim", so that tests running side by
// side can each have their own controller.
#include <windows.h>

#include <memory>
#include <optional>

#include "drivers/KeypadModel.h"

class KeypadSimClient {
public:
    // Nothing when the block or its mutex cannot be opened.
    static std::unique_ptr<KeypadSimClient> Open();

    KeypadSimClient(const KeypadSimClient&) = delete;
    KeypadSimClient& operator=(const KeypadSimClient&) = delete;

    // Calls fn(KeypadModel&, nowUs) with the block locked and gives its result.
    template <class Fn> auto Run(Fn&& fn) {
        const Lock lock(mutex_.get());
        keypad::KeypadModel model(*state_);
        return fn(model, NowUs());
    }

    // The first entry after afterSeq that matches pattern, looking again
    // every few milliseconds; nothing once timeoutMs have passed.
    std::optional<keypad::LogEntry> WaitFor(const keypad::LogPattern& pattern, uint64_t afterSeq,
                                            uint32_t timeoutMs);

    // The performance counter in microseconds: one clock for all processes.
    static uint64_t NowUs();

    // This client made the block: no other process held it, so the block,
    // and whatever is changed in it, ends with this client unless another
    // process opens it meanwhile.
    bool CreatedBlock() const { return createdBlock_; }

private:
    struct HandleCloser {
        void operator()(HANDLE handle) const { CloseHandle(handle); }
    };
    using OwnedHandle = std::unique_ptr<void, HandleCloser>;
    struct ViewUnmapper {
        void operator()(keypad::KeypadState* view) const { UnmapViewOfFile(view); }
    };
    using MappedState = std::unique_ptr<keypad::KeypadState, ViewUnmapper>;

    class Lock {
    public:
        // An abandoned mutex (its owner died) is owned all the same.
        explicit Lock(HANDLE mutex) : mutex_(mutex) { WaitForSingleObject(mutex_, INFINITE); }
        ~Lock() { ReleaseMutex(mutex_); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        HANDLE mutex_;
    };

    KeypadSimClient(OwnedHandle mutex, OwnedHandle mapping, MappedState state, bool createdBlock)
        : mutex_(std::move(mutex)), mapping_(std::move(mapping)), state_(std::move(state)),
          createdBlock_(createdBlock) {}

    OwnedHandle mutex_;
    OwnedHandle mapping_;
    MappedState state_; // unmapped before the mapping handle is closed
    bool createdBlock_;
};
