#include "app/LumitraxDlg.h"

// The input hook comes with the hook library; until then no hook is set.
bool CLumitraxDlg::SetPanelHook(RECT) {
    return true;
}

bool CLumitraxDlg::RemovePanelHook() {
    return true;
}
