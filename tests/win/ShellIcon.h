#pragma once
// Whether the shell holds the program's tray icon of a window: only an icon
// it knows can be modified (the shell knows icons by owner and id, whoever
// asks).
#include <windows.h>

#include <shellapi.h>

#include "display/TrayIcon.h"

// Asks the shell about the window's tray icon, naming nothing but the icon.
inline bool AskShellAboutTrayIcon(DWORD request, HWND owner) {
    NOTIFYICONDATAA icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = owner;
    icon.uID = kTrayIconId;
    return Shell_NotifyIconA(request, &icon) != FALSE;
}

inline bool ShellHasTrayIcon(HWND owner) {
    return AskShellAboutTrayIcon(NIM_MODIFY, owner);
}

// The shell forgets the window's tray icon, as a shell that restarts does.
inline bool ShellForgetsTrayIcon(HWND owner) {
    return AskShellAboutTrayIcon(NIM_DELETE, owner);
}
