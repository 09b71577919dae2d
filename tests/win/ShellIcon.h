#pragma once
// Whether the shell holds a tray icon: only an icon it knows can be
// modified (the shell knows icons by owner and id, whoever asks).
#include <windows.h>

#include <shellapi.h>

inline bool ShellHasIcon(HWND owner, UINT id) {
    NOTIFYICONDATAA icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = owner;
    icon.uID = id;
    return Shell_NotifyIconA(NIM_MODIFY, &icon) != FALSE;
}
