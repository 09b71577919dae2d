#pragma once
// The tray icon, its tooltip and its menu. They come with the tray
// behaviour; until then the program has no tray icon and these do nothing.
class TrayIcon {
public:
    void AddTrayIcon() {}
    void LoadTrayMenu() {}
    void UpdateTrayIndication() {}
};
