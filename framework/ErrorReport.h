#pragma once
// What the user sees and what only a developer sees: message boxes owned by
// the panel, and the diagnostic trace.
#include <atomic>
#include <string>

#include "framework/Win32.h"

class UiQueue;

// The caption of every message box: the application's name.
constexpr const char* kAppName = "Lumitrax";

// A message box with an OK button, owned by owner. Blocks until dismissed.
void ShowMessageBox(HWND owner, const char* text);
// One line of the diagnostic trace (OutputDebugString).
void Trace(const char* text);

// Where a subsystem reports a failure the user is to see.
class ErrorSink {
public:
    virtual ~ErrorSink() = default;
    // Shows text to the user.
    virtual void ShowError(const std::string& text) = 0;
};

// Message boxes owned by one window. On the window's own thread the box is
// shown at once; from any other thread it is handed to the window's thread,
// so that a thread that may hold the panel lock never waits for the panel.
// While there is no window (before it exists, after it is gone) the box is
// shown at once, without an owner, by the thread that reports. A thread
// shows one box at a time: a report made while one is up waits until it is
// dismissed, and a text that is up or waiting already is not repeated.
class MessageBoxSink : public ErrorSink {
public:
    explicit MessageBoxSink(UiQueue& queue) : queue_(queue) {}
    // The owner of the boxes; null while there is none.
    void SetOwner(HWND owner) { owner_ = owner; }
    void ShowError(const std::string& text) override;

private:
    UiQueue& queue_;
    std::atomic<HWND> owner_{nullptr};
};
