#include "display/TrayIcon.h"

#include <cstring>

#include "controller/RegisterMap.h"
#include "display/TrayIndication.h"
#include "framework/Dpi.h"
#include "framework/ErrorReport.h"
#include "res/resource.h"
#include "shared/PanelMessages.h"

namespace {
constexpr UINT kRetryPeriodMs = 3000;
constexpr int kRetries = 10;

HICON LoadIconResource(UINT id) {
    return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
}

void DestroyIcons(const std::array<HICON, 4>& icons) {
    for (HICON icon : icons)
        if (icon)
            DestroyIcon(icon);
}

// The four indications' icons at size × size pixels (the small-icon size:
// 16 at 100 %, 24 at 150 %, ...); all or none. The caller destroys them.
std::array<HICON, 4> LoadIndicationIcons(int size) {
    std::array<HICON, 4> icons{};
    for (size_t i = 0; i < icons.size(); ++i) {
        icons[i] = static_cast<HICON>(
            LoadImageA(GetModuleHandleA(nullptr),
                       MAKEINTRESOURCEA(TrayIndicationFor(static_cast<int>(i)).icon), IMAGE_ICON,
                       size, size, LR_DEFAULTCOLOR));
        if (!icons[i]) {
            DestroyIcons(icons);
            return {};
        }
    }
    return icons;
}

void SetTip(NOTIFYICONDATAA& record, const char* tip) {
    std::strncpy(record.szTip, tip, sizeof record.szTip - 1);
    record.szTip[sizeof record.szTip - 1] = '\0';
}
} // namespace

#ifndef _WIN64
static_assert(sizeof(NOTIFYICONDATAA) == 508, "the shell's ANSI record in its 508-byte form");
#endif

TrayIcon::TrayIcon(PanelState& state, CMCU& controller, PanelControls& controls)
    : state_(state), controller_(controller), controls_(controls),
      appIcon_(LoadIconResource(IDI_LUMITRAX)) {
    SetIconScale(SystemDpi());
}

TrayIcon::~TrayIcon() {
    if (trayMenu_)
        DestroyMenu(trayMenu_);
    DestroyIcons(trayIcons_);
}

void TrayIcon::AddTrayIcon(HWND owner) {
    trayIcon_ = {};
    trayIcon_.cbSize = sizeof trayIcon_;
    trayIcon_.hWnd = owner;
    trayIcon_.uID = kTrayIconId;
    trayIcon_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIcon_.uCallbackMessage = WM_TRAYICON;
    trayIcon_.hIcon = trayIcons_[0];
    SetTip(trayIcon_, "Lumitrax");
    trayState_ = 0;
    AddOrRetry();
}

void TrayIcon::AddOrRetry() {
    addAttemptsLeft_ = kRetries;
    if (Add())
        KillTimer(trayIcon_.hWnd, kTrayRetryTimer); // retries of an earlier refusal
    else
        SetTimer(trayIcon_.hWnd, kTrayRetryTimer, kRetryPeriodMs, nullptr);
}

bool TrayIcon::Add() {
    added_ = Shell_NotifyIconA(NIM_ADD, &trayIcon_) != FALSE;
    return added_;
}

void TrayIcon::OnRetryTimer() {
    if (added_ || Add() || --addAttemptsLeft_ <= 0) {
        KillTimer(trayIcon_.hWnd, kTrayRetryTimer);
        if (!added_)
            Trace("the shell did not take the tray icon; it comes when the task bar starts");
    }
}

void TrayIcon::OnTaskbarCreated() {
    // A shell that has just started may not take the icon yet: it is tried
    // again as at start-up.
    if (trayIcon_.hWnd)
        AddOrRetry();
}

void TrayIcon::DeleteTrayIcon() {
    if (!trayIcon_.hWnd)
        return;
    KillTimer(trayIcon_.hWnd, kTrayRetryTimer);
    Shell_NotifyIconA(NIM_DELETE, &trayIcon_);
    added_ = false;
}

void TrayIcon::DeleteTrayIconOf(HWND owner) {
    NOTIFYICONDATAA icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = owner;
    icon.uID = kTrayIconId;
    Shell_NotifyIconA(NIM_DELETE, &icon);
}

void TrayIcon::LoadTrayMenu() {
    trayMenu_ = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU));
    if (!trayMenu_)
        return;
    trayPopup_ = GetSubMenu(trayMenu_, 0);
    if (!trayPopup_)
        return;
    if (!state_.extendedRegisters) {
        EnableMenuItem(trayPopup_, 1, MF_BYPOSITION | MF_GRAYED | MF_DISABLED);
        return;
    }
    int32_t lux = 0;
    if (!controller_.ReadRegister(REG_LUX, lux))
        return;
    if (const std::optional<uint32_t> item = EnvironmentItemFor(lux)) {
        environmentItem_ = *item;
        CheckMenuItem(trayMenu_, environmentItem_, MF_BYCOMMAND | MF_CHECKED);
    }
}

void TrayIcon::UpdateTrayIndication() {
    const int index = TrayIndicationIndex(state_.autoDimming != 0, state_.keypadLocked != 0);
    if (index == trayState_)
        return;
    trayState_ = index;
    const TrayIndication& shown = TrayIndicationFor(index);
    trayIcon_.hIcon = trayIcons_[static_cast<size_t>(index)];
    SetTip(trayIcon_, shown.tooltip);
    controls_.lockButton.LoadBitmaps(shown.lockPicture);
    controls_.lockButton.Invalidate();
    controls_.dimmingButton.LoadBitmaps(shown.dimmingPicture);
    controls_.dimmingButton.Invalidate();
    SendRecord();
}

void TrayIcon::SetIconScale(int dpi) {
    const int size = SmallIconSize(dpi);
    if (size == iconSize_)
        return;
    std::array<HICON, 4> icons = LoadIndicationIcons(size);
    if (!icons[0])
        return; // the icons held keep showing
    std::swap(icons, trayIcons_);
    iconSize_ = size;
    trayIcon_.hIcon = trayIcons_[static_cast<size_t>(trayState_)];
    SendRecord();
    DestroyIcons(icons);
}

void TrayIcon::SendRecord() {
    if (!trayIcon_.hWnd)
        return;
    if (!Shell_NotifyIconA(NIM_MODIFY, &trayIcon_))
        Add();
}

void TrayIcon::ShowMenu(POINT at) {
    if (!trayPopup_)
        return;
    const HWND owner = trayIcon_.hWnd;
    SetForegroundWindow(owner);
    TrackPopupMenu(trayPopup_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
    // Lets the menu close when the user clicks elsewhere next time.
    PostMessageA(owner, WM_NULL, 0, 0);
}

void TrayIcon::CheckEnvironmentItem(UINT item) {
    if (!trayMenu_)
        return;
    CheckMenuItem(trayMenu_, environmentItem_, MF_BYCOMMAND | MF_UNCHECKED);
    CheckMenuItem(trayMenu_, item, MF_BYCOMMAND | MF_CHECKED);
    environmentItem_ = item;
}
