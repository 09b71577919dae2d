#pragma once
// Waiting in Windows tests: look again every few milliseconds until the
// condition holds or the timeout has passed.
#include <windows.h>

#include <chrono>

template <class Pred> bool WaitUntil(Pred pred, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        Sleep(5);
    }
    return true;
}
