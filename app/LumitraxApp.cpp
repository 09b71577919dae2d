#include "app/LumitraxApp.h"

#include "app/LumitraxDlg.h"

BOOL CLumitraxApp::InitInstance() {
    // Held, never closed, until the process ends: only then may a new copy start.
    HANDLE instance = CreateMutexA(nullptr, TRUE, "RunOnlyOneKeypad");
    if (!instance || GetLastError() == ERROR_ALREADY_EXISTS)
        return FALSE;

    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    InitCommonControlsEx(&controls);

    CLumitraxDlg dialog;
    dialog.DoModal();
    return FALSE;
}
