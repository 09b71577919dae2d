#pragma once
// Whether the shell holds the program's tray icon of a window: only an icon
// it knows can be modified (the shell knows icons by owner and id, whoever
// asks).
#include <windows.h>

#include <shellapi.h>

#include "display/TrayIcon.h"

inline bool ShellHasTrayIcon(HWND owner) {
    NOTIFYICONDATAA icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = owner;
    icon.uID = kTrayIconId;
    return Shell_NotifyIconA(NIM_MODIFY, &icon) != FALSE;
}

// The shell forgets the window's tray icon, as a shell that restarts does.
inline bool ShellForgetsTrayIcon(HWND owner) {
    NOTIFYICONDATAA icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = owner;
    icon.uID = kTrayIconId;
    return Shell_NotifyIconA(NIM_DELETE, &icon) != FALSE;
}
