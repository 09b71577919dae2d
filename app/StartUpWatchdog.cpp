#include "app/StartUpWatchdog.h"

#include "display/TrayIcon.h"
#include "framework/ErrorReport.h"

namespace {
constexpr const char* kNoAnswerText = "The keypad driver does not answer: Lumitrax cannot start.";

BOOL CALLBACK NoteVisible(HWND window, LPARAM visible) {
    if (IsWindowVisible(window)) {
        *reinterpret_cast<bool*>(visible) = true;
        return FALSE;
    }
    return TRUE;
}

// The thread shows a window: only a box can be up during start-up (the panel
// stays hidden until the poll thread shows it), and a thread in a box's loop
// waits for the user.
bool ShowsAWindow(DWORD thread) {
    bool visible = false;
    EnumThreadWindows(thread, NoteVisible, reinterpret_cast<LPARAM>(&visible));
    return visible;
}

BOOL CALLBACK DeleteTrayIcon(HWND window, LPARAM) {
    TrayIcon::DeleteTrayIconOf(window);
    return TRUE;
}

// Tells the user, takes away the tray icon the start-up may have added, and
// ends the process. No library's detach code runs: the driver's own might
// wait for the call that does not return.
void EndStartUp(DWORD thread) {
    ShowMessageBox(nullptr, kNoAnswerText);
    EnumThreadWindows(thread, DeleteTrayIcon, 0);
    TerminateProcess(GetCurrentProcess(), 1);
}
} // namespace

StartUpWatchdog::StartUpWatchdog() : reached_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (!reached_.Get()) {
        Trace("the start-up watchdog has no event; start-up is not watched");
        return;
    }
    const HANDLE reached = reached_.Get();
    const DWORD startUp = GetCurrentThreadId();
    const bool started = watch_.Start([reached, startUp] {
        for (;;) {
            if (WaitForSingleObject(reached, kBoundMs) != WAIT_TIMEOUT)
                return; // reached (a wait that fails ends the watch too)
            if (!ShowsAWindow(startUp)) {
                EndStartUp(startUp);
                return;
            }
        }
    });
    if (!started)
        Trace("the start-up watchdog did not start; start-up is not watched");
}

// The watch's thread ends before its event is closed (members go in the
// reverse order of their declaration).
StartUpWatchdog::~StartUpWatchdog() {
    Reached();
}

void StartUpWatchdog::Reached() {
    if (reached_.Get())
        SetEvent(reached_.Get());
}
