#include "app/LumitraxDlg.h"

// The tray icon, its tooltip and its menu come with the tray behaviour;
// until then the program has no tray icon and these do nothing.
void CLumitraxDlg::AddTrayIcon() {}

void CLumitraxDlg::LoadTrayMenu() {}

void CLumitraxDlg::UpdateTrayIndication() {}
