#pragma once
// What the user sees and what only a developer sees: message boxes owned by
// the panel, and the diagnostic trace.
#include "framework/Win32.h"

// The caption of every message box: the application's name.
constexpr const char* kAppName = "Lumitrax";

// A message box with an OK button, owned by owner. Blocks until dismissed.
void ShowMessage(HWND owner, const char* text);
// One line of the diagnostic trace (OutputDebugString).
void Trace(const char* text);
