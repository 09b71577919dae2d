#pragma once
// How long a window's thread takes to answer.
#include <windows.h>

#include <chrono>
#include <optional>

// The time in ms the window's thread took to answer a message sent to it;
// nothing when it did not answer within the limit (or Windows refused the
// message because it takes the thread for hung).
inline std::optional<long> AnswerTimeMs(HWND window, UINT limitMs) {
    const auto asked = std::chrono::steady_clock::now();
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, limitMs, &answer))
        return std::nullopt;
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - asked)
                                 .count());
}
