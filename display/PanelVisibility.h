#pragma once
// Showing, hiding and fading the panel, and waking the backlight: the panel
// comes up at once and opaque beside the tray icon, stays while it keeps
// being asked for or while the cursor rests on it, then fades out over
// 4.2 seconds and hides. Everything runs on the panel's thread (the poll
// thread's requests arrive through the panel's work queue); the backlight is
// switched on through the poll thread, which owns the bus.
#include <cstdint>

#include "controller/ControllerRequests.h"
#include "display/PanelWindow.h"
#include "shared/HookControl.h"
#include "shared/PanelState.h"

class PanelVisibility {
public:
    PanelVisibility(PanelState& state, ControllerRequests& requests, PanelWindow& window,
                    HookControl& hook);

    // The panel's size, taken at initialisation (only a change of the
    // display scale changes it).
    void SetPanelSize(PixelSize size) { panelSize_ = size; }
    // The panel was laid out for a new display scale where it stands: its
    // new size; while it is up, the hook takes its new rectangle.
    void OnRescaled(PixelSize size);

    // Shows the panel beside the tray icon (waking the backlight first when
    // it is off; laid out first for the scale of the icon's monitor) or,
    // when it is up, restarts its hide check.
    void ShowPanel() { ShowPanel(state_.backlightOn == 0); }
    // The same for a show asked for earlier (by the poll thread): it wakes
    // the backlight only when the backlight was off as it was asked for; one
    // asked for while it was on does nothing when it has gone off since, so
    // that the panel stays hidden and the backlight off.
    void ShowPanel(bool backlightOffWhenAsked);
    // Hides the panel at once; a fade request in the next second is ignored.
    void HidePanel();
    // Cancels a fade under way and makes the panel opaque again.
    void StopFade();
    // WM_PANEL_FADE: starts the fade unless one runs or the panel was just hidden.
    void OnPanelFade();
    // WM_TIMER of one of the panel's timers.
    void OnTimer(PanelTimer timer);
    // WM_PANEL_HIDE: hides the window; the panel still counts as open.
    void OnPanelHide();
    // WM_HOOK_WAKE: switches the backlight back on and shows the panel.
    void OnHookWake();
    // The tray icon's left button went down with the cursor at cursor:
    // places the panel there and opens it, or closes it when it is open.
    void OnTrayClick(PixelPoint cursor);

    // The panel is meant to be visible: a request to show the window may
    // stand only then (WM_WINDOWPOSCHANGING).
    bool PanelVisible() const { return panelVisible_; }
    bool PanelOpen() const { return panelOpen_; }
    bool FadingOut() const { return fadingOut_; }
    int16_t FadeAlpha() const { return fadeAlpha_; }
    bool ReshowBlocked() const { return reshowBlocked_; }

private:
    void FadeStep();

    PanelState& state_;
    ControllerRequests& requests_;
    PanelWindow& window_;
    HookControl& hook_;
    PixelSize panelSize_;
    bool panelVisible_ = false;
    bool panelOpen_ = false;
    bool fadingOut_ = false;
    int16_t fadeAlpha_ = 255; // its low byte is the opacity while the fade shows
    bool reshowBlocked_ = false;
};
