#pragma once
// The application object: one running copy per session, then the panel
// dialog, run modally until it is closed.
#include "framework/Win32.h"

class CLumitraxApp {
public:
    // Runs the program; always FALSE, so that the program ends when it returns.
    BOOL InitInstance();
};
