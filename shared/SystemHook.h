#pragma once
// The input-hook library's three functions, as our library exports them
// (undecorated names, C calling convention). While a hook is set, the
// library posts WM_PANEL_HIDE to the window for a mouse button pressed
// outside the rectangle, or, with an all-zero rectangle, WM_HOOK_WAKE once
// for the first key or mouse input.
#include <windows.h>

#ifdef SYSTEMHOOK_BUILDING
#define SYSTEMHOOK_API extern "C" __declspec(dllexport)
#else
#define SYSTEMHOOK_API extern "C" __declspec(dllimport)
#endif

// Sets the hook for window with a copy of rect (null: all zero); returns
// once the hook is in place (TRUE) or has failed (FALSE, the system's error
// code in GetLastError). A hook that is set already takes the new window
// and rectangle. Not to be called from DllMain.
SYSTEMHOOK_API BOOLEAN __cdecl SetHook(HWND window, const RECT* rect);
// Removes the hook and ends its thread, waiting for it; TRUE also when none
// was set. FALSE (with the error code) when the thread does not end.
SYSTEMHOOK_API BOOLEAN __cdecl UnsetHook(void);
// TRUE exactly while a hook set by SetHook is in place.
SYSTEMHOOK_API BOOLEAN __cdecl IsHookSet(void);
