#include "app/LumitraxDlg.h"

// Showing, hiding and fading the panel come with the panel's display
// behaviour; until then the panel stays hidden and these do nothing.
void CLumitraxDlg::ShowPanel() {}

void CLumitraxDlg::HidePanel() {}
