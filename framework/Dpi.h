#pragma once
// The display scale in dots per inch (96 is 100 %): of a window, of a
// monitor, and of the system. Each asks the system's newest means where it
// has it (looked up at run time: Windows XP and 7 have fewer) and else the
// screen's, which is the system's scale there.
#include "framework/Win32.h"

// The scale the window is drawn at (Windows 10 1607 on: its monitor's).
int WindowDpi(HWND window);
// The scale of monitor (Windows 8.1 on), else the system's.
int MonitorDpi(HMONITOR monitor);
// The scale the system started the session with.
int SystemDpi();
