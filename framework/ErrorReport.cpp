#include "framework/ErrorReport.h"

#include <string>
#include <utility>
#include <vector>

#include "framework/UiQueue.h"

namespace {
// The error boxes of one thread while one is up: the text shown, and the
// reports that wait for it to be dismissed.
struct ErrorBoxes {
    std::string shown;
    std::vector<std::pair<HWND, std::string>> waiting;

    bool Known(const std::string& text) const {
        if (text == shown)
            return true;
        for (const auto& report : waiting)
            if (report.second == text)
                return true;
        return false;
    }
};
// Those of the calling thread, kept by its outermost ShowErrorBox; null
// while none is up.
thread_local ErrorBoxes* errorBoxes = nullptr;

// A box runs a message loop of its own, and what that loop dispatches may
// report another failure: shown from there, boxes would nest deeper on the
// stack for as long as a failure repeats and nobody answers, until the stack
// is used up. Instead a report made while a box is up waits until it is
// dismissed, and a text already up or waiting is not added again. An owner
// that is gone by the time its report is shown leaves the box without one.
void ShowErrorBox(HWND owner, const std::string& text) {
    if (ErrorBoxes* up = errorBoxes) {
        if (!up->Known(text))
            up->waiting.emplace_back(owner, text);
        return;
    }
    ErrorBoxes boxes;
    errorBoxes = &boxes;
    std::pair<HWND, std::string> next{owner, text};
    for (;;) {
        boxes.shown = next.second;
        ShowMessageBox(next.first && IsWindow(next.first) ? next.first : nullptr,
                       next.second.c_str());
        if (boxes.waiting.empty())
            break;
        next = std::move(boxes.waiting.front());
        boxes.waiting.erase(boxes.waiting.begin());
    }
    errorBoxes = nullptr;
}
} // namespace

void ShowMessageBox(HWND owner, const char* text) {
    MessageBoxA(owner, text, kAppName, MB_OK);
}

void Trace(const char* text) {
    const std::string line = std::string(kAppName) + ": " + text + "\n";
    OutputDebugStringA(line.c_str());
}

void MessageBoxSink::ShowError(const std::string& text) {
    const HWND owner = owner_;
    if (!owner || GetWindowThreadProcessId(owner, nullptr) == GetCurrentThreadId()) {
        ShowErrorBox(owner, text);
        return;
    }
    queue_.Post([this, text] { ShowErrorBox(owner_, text); });
}
