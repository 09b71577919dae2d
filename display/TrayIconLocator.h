#pragma once
// Finds the tray icon's rectangle on the screen: the system's own answer
// where it has one, else the notification area's toolbar in the task bar,
// walked from outside by reading the shell's process memory.
#include "framework/Win32.h"

// The screen rectangle of the notification icon of owner and id; false (and
// rect untouched) when it cannot be found, the shell hides it, or what the
// shell gives cannot be an icon's rectangle on the screen. The toolbar walk
// takes at most a second however the shell answers, and believes at most
// 512 buttons. The shell's toolbar writes its answers into a block of one
// page in the shell's process, kept there for later searches of the same
// shell process (searches take turns).
bool FindTrayIconRect(HWND owner, UINT id, RECT& rect);
// The toolbar walk alone, in the task bar window taskBar (the top-level
// "Shell_TrayWnd" for the real shell).
bool FindTrayIconRectIn(HWND taskBar, HWND owner, UINT id, RECT& rect);

// Enumeration callbacks: a window of class "TrayNotifyWnd" or
// "ToolbarWindow32" is stored through found (an HWND*) and ends the search.
BOOL CALLBACK FindTrayNotifyChild(HWND window, LPARAM found);
BOOL CALLBACK FindToolbarChild(HWND window, LPARAM found);
