#include "app/LumitraxApp.h"

#include <string>

#include "app/DriverLibraries.h"
#include "app/LumitraxDlg.h"
#include "app/StartUpWatchdog.h"
#include "framework/ErrorReport.h"

BOOL CLumitraxApp::InitInstance() {
    // Held, never closed, until the process ends: only then may a new copy start.
    HANDLE instance = CreateMutexA(nullptr, TRUE, "RunOnlyOneKeypad");
    if (!instance || GetLastError() == ERROR_ALREADY_EXISTS)
        return FALSE;

    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    InitCommonControlsEx(&controls);

    // Without the driver nothing touches the keypad: say what is missing
    // and where it was looked for, and end.
    std::string failure;
    const std::optional<DriverLibraries> libraries = LoadDriverLibraries(failure);
    if (!libraries) {
        ShowMessageBox(nullptr, ("Lumitrax cannot start. " + failure).c_str());
        exitCode_ = 1;
        return FALSE;
    }

    // From here a driver call that never returns would hold the process.
    StartUpWatchdog watchdog;
    CLumitraxDlg dialog(*libraries);
    dialog.SetStartUpOver([&watchdog] { watchdog.Reached(); });
    dialog.DoModal();
    return FALSE;
}
