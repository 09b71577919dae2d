#pragma once
// The application object: one running copy per session, the driver
// libraries, then the panel dialog, run modally until it is closed; a
// start-up that a driver call holds for good ends with exit status 1 (see
// StartUpWatchdog).
#include "framework/Win32.h"

class CLumitraxApp {
public:
    // Runs the program; always FALSE, so that the program ends when it returns.
    BOOL InitInstance();
    // The process's exit status once InitInstance has returned: 1 when a
    // library the program needs could not be had, else 0.
    int ExitCode() const { return exitCode_; }

private:
    int exitCode_ = 0;
};
