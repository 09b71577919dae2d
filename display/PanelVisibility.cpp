#include "display/PanelVisibility.h"

namespace {
constexpr uint32_t kWakePauseMs = 500;

HookRect ToHookRect(const PixelRect& r) {
    return HookRect{r.left, r.top, r.right, r.bottom};
}
} // namespace

PanelVisibility::PanelVisibility(PanelState& state, ControllerRequests& requests,
                                 PanelWindow& window, HookControl& hook)
    : state_(state), requests_(requests), window_(window), hook_(hook) {}

void PanelVisibility::StopFade() {
    if (!fadingOut_)
        return;
    window_.KillTimer(PanelTimer::Fade);
    fadingOut_ = false;
    window_.SetOpacity(255);
    fadeAlpha_ = 255;
}

void PanelVisibility::ShowPanel(bool backlightOffWhenAsked) {
    // Asked for while the backlight was on, which has gone off since (the
    // function button, a later step of the same event): the panel stays as
    // that left it, hidden in the dark with the hook that wakes it.
    if (!backlightOffWhenAsked && !state_.backlightOn)
        return;
    StopFade();
    if (panelVisible_) {
        window_.KillTimer(PanelTimer::HideCheck);
        window_.SetTimer(PanelTimer::HideCheck);
        return;
    }
    if (backlightOffWhenAsked && !state_.backlightOn)
        OnHookWake(); // ends with a show of its own; the steps below repeat it
    const std::optional<PixelRect> icon = window_.TrayIconRect();
    const WorkArea work = window_.WorkAreaFor(icon);
    if (const std::optional<PixelSize> size = window_.LayOutFor(work.dpi))
        panelSize_ = *size;
    const PixelPoint at =
        icon ? PlaceBesideIcon(*icon, panelSize_, work) : PlaceInCorner(panelSize_, work);
    window_.MoveTo(at);
    panelVisible_ = true;
    panelOpen_ = true;
    // A hook left from a panel hidden from outside holds the rectangle of
    // where the panel stood then: the hook follows the panel to its new place.
    hook_.RemovePanelHook();
    hook_.SetPanelHook(ToHookRect(PixelRect::At(at.x, at.y, panelSize_)));
    window_.ShowAndActivate();
}

void PanelVisibility::HidePanel() {
    reshowBlocked_ = true;
    hook_.RemovePanelHook();
    window_.SetTimer(PanelTimer::Reshow);
    StopFade();
    panelVisible_ = false;
    panelOpen_ = false;
    window_.Hide();
}

void PanelVisibility::OnPanelFade() {
    if (fadingOut_ || reshowBlocked_)
        return;
    fadingOut_ = true;
    window_.SetTimer(PanelTimer::Fade);
}

void PanelVisibility::OnTimer(PanelTimer timer) {
    switch (timer) {
    case PanelTimer::HideCheck: {
        // A cursor exactly on the right or bottom edge counts as inside.
        const PixelPoint cursor = window_.Cursor();
        const PixelRect panel = window_.WindowRect();
        if (cursor.x < panel.left || cursor.x > panel.right || cursor.y < panel.top ||
            cursor.y > panel.bottom)
            window_.SendPanelFade();
        window_.KillTimer(PanelTimer::HideCheck);
        break;
    }
    case PanelTimer::Fade:
        // A tick that comes when no fade runs (one already on its way as the
        // fade stopped) changes nothing.
        if (fadingOut_)
            FadeStep();
        break;
    case PanelTimer::Reshow:
        reshowBlocked_ = false;
        window_.KillTimer(PanelTimer::Reshow);
        break;
    }
}

// Five ticks change nothing visible, then the opacity drops by 15 a tick
// and the panel hides at the 21st, 4.2 seconds after the fade began.
void PanelVisibility::FadeStep() {
    if (fadeAlpha_ > 250) {
        --fadeAlpha_;
        return;
    }
    fadeAlpha_ = static_cast<int16_t>(fadeAlpha_ - 15);
    if (fadeAlpha_ < 15)
        fadeAlpha_ = 0;
    window_.SetOpacity(static_cast<uint8_t>(fadeAlpha_ & 0xFF));
    if (fadeAlpha_ > 0)
        return;
    hook_.RemovePanelHook();
    window_.Hide();
    window_.SetTimer(PanelTimer::Reshow);
    StopFade();
    panelVisible_ = false;
    panelOpen_ = false;
}

void PanelVisibility::OnPanelHide() {
    panelVisible_ = false;
    window_.Hide();
}

void PanelVisibility::OnHookWake() {
    if (state_.backlightOn) {
        window_.RedrawFunctionButton();
        return;
    }
    window_.Pause(kWakePauseMs);
    SwitchBacklight(state_, requests_, true);
    panelVisible_ = false;
    panelOpen_ = false;
    hook_.RemovePanelHook();
    window_.ShowFunctionPicture();
    ShowPanel();
    window_.RedrawFunctionButton();
}

void PanelVisibility::OnRescaled(PixelSize size) {
    panelSize_ = size;
    if (!panelVisible_)
        return;
    hook_.RemovePanelHook();
    hook_.SetPanelHook(ToHookRect(window_.WindowRect()));
}

void PanelVisibility::OnTrayClick(PixelPoint cursor) {
    const PixelRect at{cursor.x, cursor.y, cursor.x, cursor.y};
    const WorkArea work = window_.WorkAreaFor(at);
    if (const std::optional<PixelSize> size = window_.LayOutFor(work.dpi))
        panelSize_ = *size;
    const PixelPoint origin = PlaceBesideIcon(at, panelSize_, work);
    window_.MoveTo(origin);
    if (panelOpen_) {
        HidePanel();
        return;
    }
    panelVisible_ = true;
    panelOpen_ = true;
    // Down to the cursor's row when the panel stands above it, so that a
    // click between panel and cursor is no click outside.
    PixelRect hooked = PixelRect::At(origin.x, origin.y, panelSize_);
    if (hooked.bottom <= cursor.y)
        hooked.bottom = cursor.y;
    hook_.SetPanelHook(ToHookRect(hooked));
    window_.ShowAndActivate();
}
