#include "display/PanelLayout.h"

#include "res/resource.h"

namespace {
void MoveTo(HWND window, const PixelRect& r) {
    MoveWindow(window, r.left, r.top, r.Width(), r.Height(), TRUE);
}

// The level controls in the order of both stored arrangements.
std::array<HWND, kLevelControls> LevelControlWindows(const PanelControls& controls) {
    return {controls.switchButton.GetSafeHwnd(), controls.levelMarker,
            controls.functionButton.GetSafeHwnd(), controls.levelSlider.GetSafeHwnd()};
}
// The optional function buttons with their separators, by function bit.
struct FunctionControl {
    CBitmapButton& button;
    int separatorId;
};
std::array<FunctionControl, kPanelFunctions> FunctionControls(PanelControls& controls) {
    return {{{controls.dimmingButton, IDC_SEPARATOR_DIMMING},
             {controls.buzzerButton, IDC_SEPARATOR_BUZZER},
             {controls.lockButton, IDC_SEPARATOR_LOCK}}};
}
} // namespace

PanelLayout::PanelLayout(PanelState& state, PanelControls& controls)
    : state_(state), controls_(controls) {}

void PanelLayout::ArrangePanel(Arrangement mode, const ArrangeLevels& levels) {
    state_.showingBrightness = mode;
    state_.arrangementRequests.Increment();
    Apply(mode, levels);
}

void PanelLayout::ArrangeRequested(Arrangement mode, const ArrangeLevels& levels,
                                   uint32_t request) {
    if (request == state_.arrangementRequests)
        Apply(mode, levels);
}

void PanelLayout::Place(HWND window, const PixelRect& place) const {
    MoveTo(window, ScaleRect(place, controls_.artwork.Dpi()));
}

void PanelLayout::Apply(Arrangement mode, const ArrangeLevels& levels) {
    const std::array<HWND, kLevelControls> windows = LevelControlWindows(controls_);
    const LevelRects current = placed_;

    CBitmapSlider& slider = controls_.levelSlider;
    LevelRects& layout = mode == Arrangement::Volume ? volumeLayout_ : brightnessLayout_;
    if (mode == Arrangement::Volume) {
        slider.SetChannelBitmap(IDB_CHANNEL_VOLUME);
        slider.SetValue(levels.keypadVolume);
        controls_.switchButton.LoadBitmaps(IDB_BACKLIGHT);
        if (!layoutInitVolume_) {
            layout = VolumeArrangement(current);
            layoutInitVolume_ = true;
        }
    } else {
        slider.SetChannelBitmap(IDB_CHANNEL_BRIGHTNESS);
        slider.SetValue(levels.brightness);
        controls_.switchButton.LoadBitmaps(IDB_VOLUME);
        if (!layoutInitBrightness_) {
            // The places the controls hold now; the slider goes back to its
            // own after its channel bitmap re-seated it at the panel's corner.
            layout = current;
            layoutInitBrightness_ = true;
        }
    }
    shown_ = mode;
    placed_ = layout;
    controls_.SetFunctionButtonPicture(static_cast<UINT>(FunctionButtonPicture(mode, levels)));
    for (int i = 0; i < kLevelControls; ++i)
        Place(windows[i], layout[i]);
    // The whole panel again: the new pictures, and the background where a
    // control stood before (the slider's new channel re-seated it at the
    // corner without a redraw, so the place it left was never repainted).
    RedrawWindow(controls_.Dialog(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void PanelLayout::ShowFunctionPicture() {
    controls_.SetFunctionButtonPicture(
        static_cast<UINT>(FunctionButtonPicture(shown_, CurrentLevels(state_))));
}

void PanelLayout::OnSwitchButton(const ArrangeLevels& levels) {
    ArrangePanel(shown_ == Arrangement::Brightness ? Arrangement::Volume : Arrangement::Brightness,
                 levels);
}

int PanelLayout::LayoutFunctionButtons() {
    const UINT pictures[kPanelFunctions] = {
        state_.autoDimming ? UINT{IDB_DIMMING_ON} : UINT{IDB_DIMMING_OFF}, IDB_BUZZER_ON,
        state_.keypadLocked ? UINT{IDB_LOCKED} : UINT{IDB_UNLOCKED}};
    const std::array<FunctionControl, kPanelFunctions> functions = FunctionControls(controls_);
    const uint8_t mask = state_.functionMask;
    std::array<FunctionSizes, kPanelFunctions> sizes{};
    for (int f = 0; f < kPanelFunctions; ++f) {
        if (!(mask & (1u << f)))
            continue;
        functions[f].button.LoadBitmaps(pictures[f]);
        sizes[f] = {PanelArtwork::DesignSize(pictures[f]), PanelArtwork::DesignSize(IDB_SEPARATOR)};
    }
    row_ = LayoutFunctionRow(mask, sizes);
    for (int f = 0; f < kPanelFunctions; ++f) {
        if (!row_.placements[f])
            continue;
        ShowWindow(functions[f].button.GetSafeHwnd(), SW_SHOW);
        ShowWindow(controls_.Item(functions[f].separatorId), SW_SHOW);
    }
    Rescale();
    return row_.width;
}

void PanelLayout::ShiftLevelControls(int dx) {
    placed_ =
        BrightnessArrangement(dx, {PanelArtwork::DesignSize(controls_.switchButton.PictureId()),
                                   PanelArtwork::DesignSize(IDB_SEPARATOR),
                                   PanelArtwork::DesignSize(controls_.functionButton.PictureId()),
                                   PanelArtwork::DesignSize(controls_.levelSlider.ChannelId())});
    Rescale();
}

void PanelLayout::Rescale() {
    const std::array<HWND, kLevelControls> windows = LevelControlWindows(controls_);
    const std::array<FunctionControl, kPanelFunctions> functions = FunctionControls(controls_);
    for (int f = 0; f < kPanelFunctions; ++f) {
        if (!row_.placements[f])
            continue;
        Place(functions[f].button.GetSafeHwnd(), row_.placements[f]->button);
        Place(controls_.Item(functions[f].separatorId), row_.placements[f]->separator);
    }
    for (int i = 0; i < kLevelControls; ++i)
        Place(windows[i], placed_[i]);
}

std::optional<LevelRects> PanelLayout::VolumeLayout() const {
    return layoutInitVolume_ ? std::optional<LevelRects>(volumeLayout_) : std::nullopt;
}

std::optional<LevelRects> PanelLayout::BrightnessLayout() const {
    return layoutInitBrightness_ ? std::optional<LevelRects>(brightnessLayout_) : std::nullopt;
}
