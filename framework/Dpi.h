#pragma once
// The display scale in dots per inch (96 is 100 %): of a window, of a
// monitor, and of the system. Each asks the system's newest means where it
// has it (looked up at run time: Windows XP and 7 have fewer) and else the
// screen's, which is the system's scale there.
#include "framework/Win32.h"

// The system's question before a WM_DPICHANGED (Windows 10 1703 on), which
// the headers name only for newer targets than ours.
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

// The scale the window is drawn at (Windows 10 1607 on: its monitor's).
int WindowDpi(HWND window);
// The scale of monitor (Windows 8.1 on), else the system's.
int MonitorDpi(HMONITOR monitor);
// The scale the system started the session with.
int SystemDpi();
// The small-icon size (SM_CXSMICON) at dpi: the system's answer for that
// scale where it has one (Windows 10 1607 on), else its size at the
// system's scale scaled to dpi.
int SmallIconSize(int dpi);
// Keeps the dialog manager from resizing dialog and laying its controls out
// anew from the template, and from changing their fonts, when the dialog's
// scale changes (per-monitor dialogs from Windows 10 1703 on): the dialog
// lays itself out. Systems without that behaviour have nothing to turn off.
void KeepDialogLayoutOnScaleChange(HWND dialog);
