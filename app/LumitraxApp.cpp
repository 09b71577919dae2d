#include "app/LumitraxApp.h"

#include <mutex>

#include "app/LumitraxDlg.h"

namespace {
// The panel lock: taken by the poll thread for a whole controller event and
// by the panel's handlers that must not interleave with one.
std::recursive_mutex panelLock;
} // namespace

BOOL CLumitraxApp::InitInstance() {
    // Held, never closed, until the process ends: only then may a new copy start.
    HANDLE instance = CreateMutexA(nullptr, TRUE, "RunOnlyOneKeypad");
    if (!instance || GetLastError() == ERROR_ALREADY_EXISTS)
        return FALSE;

    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    InitCommonControlsEx(&controls);

    CLumitraxDlg dialog(panelLock);
    dialog.DoModal();
    return FALSE;
}
