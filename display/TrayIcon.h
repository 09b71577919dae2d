#pragma once
// The tray icon, its tooltip and its menu. The icon shows automatic dimming
// and the keypad lock (with the padlock and dimming buttons' pictures), at
// the small-icon size of the panel's display scale; a shell that was not up
// yet, or that restarts, gets the icon again; the icon goes when the panel
// does. Runs on the panel's thread.
#include <array>

#include "controller/CMCU.h"
#include "controls/PanelControls.h"
#include "framework/Win32.h"
#include "shared/PanelState.h"

// The icon's id, with the panel window its owner.
constexpr UINT kTrayIconId = 100;
// The timer that adds the icon again while the shell is not up yet.
constexpr UINT_PTR kTrayRetryTimer = 1057;

class TrayIcon {
public:
    TrayIcon(PanelState& state, CMCU& controller, PanelControls& controls);
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Fills the record for owner (the plain icon and "Lumitrax") and adds
    // the icon; while the shell refuses it, tries again a few seconds apart,
    // a bounded number of times.
    void AddTrayIcon(HWND owner);
    // kTrayRetryTimer fired.
    void OnRetryTimer();
    // The shell (re)started ("TaskbarCreated"): the icon is added again,
    // with the same retries as at start-up.
    void OnTaskbarCreated();
    // Removes the icon (the program ends).
    void DeleteTrayIcon();
    // Removes the icon of owner from any thread: the process ends at once
    // (the input line failed), without the panel's own shutdown.
    static void DeleteTrayIconOf(HWND owner);

    // The panel's display scale changed: the four icons at the small-icon
    // size of dpi, the one shown sent to the shell again. The icons held
    // before go once the shell has the new one.
    void SetIconScale(int dpi);

    // Loads the menu; checks the Environment item of the controller's
    // ambient-light setting, or greys the submenu without extended registers.
    void LoadTrayMenu();
    // The icon, tooltip and button pictures for automatic dimming and the
    // keypad lock, sent to the shell when they change.
    void UpdateTrayIndication();
    // Opens the menu at the cursor (the icon's right button).
    void ShowMenu(POINT at);
    // Moves the Environment check mark to item.
    void CheckEnvironmentItem(UINT item);

    HICON AppIcon() const { return appIcon_; }
    // The tray icon of an indication (0 to 3, as TrayIndicationIndex gives).
    HICON IndicationIcon(int index) const { return trayIcons_[static_cast<size_t>(index & 3)]; }
    // For tests: what the shell was last given, and the menu.
    const NOTIFYICONDATAA& Record() const { return trayIcon_; }
    int TrayState() const { return trayState_; }
    HMENU TrayMenu() const { return trayMenu_; }
    UINT EnvironmentItem() const { return environmentItem_; }

private:
    // NIM_MODIFY, and NIM_ADD when the shell no longer knows the icon.
    void SendRecord();
    bool Add();
    // Adds the icon, or starts the retry timer when the shell refuses it.
    void AddOrRetry();

    PanelState& state_;
    CMCU& controller_;
    PanelControls& controls_;
    HICON appIcon_;
    // The four indications' icons at the small-icon size iconSize_ (0 while
    // none could be loaded, so that the next scale tries again), ours to
    // destroy.
    std::array<HICON, 4> trayIcons_{};
    int iconSize_ = 0;
    NOTIFYICONDATAA trayIcon_{};
    bool added_ = false;
    int addAttemptsLeft_ = 0;
    int trayState_ = 0; // 0 plain, 1 dimming, 2 locked, 3 both
    HMENU trayMenu_ = nullptr;
    HMENU trayPopup_ = nullptr;
    UINT environmentItem_ = 0;
};
