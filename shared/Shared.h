#pragma once
// A field shared between the message thread, the poll thread and the audio
// notification threads without the panel lock. Each read and write is one
// indivisible access (relaxed ordering is enough where no field publishes
// another; Publish and Observe are for the one pair where one does).
#include <atomic>

template <class T> class Shared {
public:
    constexpr Shared(T value = T{}) noexcept : value_(value) {}
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    operator T() const noexcept { return value_.load(std::memory_order_relaxed); }
    // Gives the value stored, so that assignments chain like plain fields.
    T operator=(T value) noexcept {
        value_.store(value, std::memory_order_relaxed);
        return value;
    }
    // One more, indivisibly, as seen by every thread; gives the new value.
    T Increment() noexcept { return value_.fetch_add(1, std::memory_order_relaxed) + 1; }
    // One less, indivisibly; gives the new value.
    T Decrement() noexcept { return value_.fetch_sub(1, std::memory_order_relaxed) - 1; }
    // A store that publishes what this thread wrote before it: a thread that
    // Observes the value stored also sees those writes (or later ones).
    void Publish(T value) noexcept { value_.store(value, std::memory_order_release); }
    T Observe() const noexcept { return value_.load(std::memory_order_acquire); }
    // Stores value and gives the value it replaced, in one indivisible step.
    T Exchange(T value) noexcept { return value_.exchange(value, std::memory_order_relaxed); }
    // Sets the given bits, or keeps only those of mask, in one indivisible
    // step: a change another thread makes meanwhile to the other bits stays.
    void SetBits(T bits) noexcept { value_.fetch_or(bits, std::memory_order_relaxed); }
    void KeepBits(T mask) noexcept { value_.fetch_and(mask, std::memory_order_relaxed); }

private:
    std::atomic<T> value_;
};
