#include "display/PanelLayout.h"

#include "res/resource.h"

namespace {
// A window's rectangle in its parent's client coordinates.
PixelRect ClientRectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return PixelRect{r.left, r.top, r.right, r.bottom};
}

PixelSize WindowSize(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return PixelSize{r.right - r.left, r.bottom - r.top};
}

void MoveTo(HWND window, const PixelRect& r) {
    MoveWindow(window, r.left, r.top, r.Width(), r.Height(), TRUE);
}

// The level controls in the order of both stored arrangements.
std::array<HWND, kLevelControls> LevelControlWindows(const PanelControls& controls) {
    return {controls.switchButton.GetSafeHwnd(), controls.levelMarker,
            controls.functionButton.GetSafeHwnd(), controls.levelSlider.GetSafeHwnd()};
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

void PanelLayout::Apply(Arrangement mode, const ArrangeLevels& levels) {
    const std::array<HWND, kLevelControls> windows = LevelControlWindows(controls_);
    LevelRects current;
    for (int i = 0; i < kLevelControls; ++i)
        current[i] = ClientRectOf(windows[i]);

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
            // The positions the controls hold now; the slider's was taken
            // before its channel bitmap re-seated it at the panel's corner,
            // so it goes back there too.
            layout = current;
            layoutInitBrightness_ = true;
        }
    }
    shown_ = mode;
    ShowFunctionPicture(levels);
    for (int i = 0; i < kLevelControls; ++i)
        MoveTo(windows[i], layout[i]);
    // The whole panel again: the new pictures, and the background where a
    // control stood before (the slider's new channel re-seated it at the
    // corner without a redraw, so the place it left was never repainted).
    RedrawWindow(controls_.Dialog(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void PanelLayout::ShowFunctionPicture(const ArrangeLevels& levels) {
    controls_.SetFunctionButtonPicture(static_cast<UINT>(FunctionButtonPicture(shown_, levels)));
}

void PanelLayout::OnSwitchButton(const ArrangeLevels& levels) {
    ArrangePanel(shown_ == Arrangement::Brightness ? Arrangement::Volume : Arrangement::Brightness,
                 levels);
}

int PanelLayout::LayoutFunctionButtons() {
    struct Function {
        CBitmapButton& button;
        UINT picture;
        int separatorId;
    };
    const std::array<Function, kPanelFunctions> functions = {{
        {controls_.dimmingButton, state_.autoDimming ? UINT{IDB_DIMMING_ON} : UINT{IDB_DIMMING_OFF},
         IDC_SEPARATOR_DIMMING},
        {controls_.buzzerButton, IDB_BUZZER_ON, IDC_SEPARATOR_BUZZER},
        {controls_.lockButton, state_.keypadLocked ? UINT{IDB_LOCKED} : UINT{IDB_UNLOCKED},
         IDC_SEPARATOR_LOCK},
    }};
    const uint8_t mask = state_.functionMask;
    std::array<FunctionSizes, kPanelFunctions> sizes{};
    for (int f = 0; f < kPanelFunctions; ++f) {
        if (!(mask & (1u << f)))
            continue;
        functions[f].button.LoadBitmaps(functions[f].picture);
        functions[f].button.SizeToContent();
        sizes[f] = {WindowSize(functions[f].button.GetSafeHwnd()),
                    WindowSize(controls_.Item(functions[f].separatorId))};
    }
    const FunctionRow row = LayoutFunctionRow(mask, sizes);
    for (int f = 0; f < kPanelFunctions; ++f) {
        if (!row.placements[f])
            continue;
        const HWND button = functions[f].button.GetSafeHwnd();
        const HWND separator = controls_.Item(functions[f].separatorId);
        ShowWindow(button, SW_SHOW);
        MoveTo(button, row.placements[f]->button);
        ShowWindow(separator, SW_SHOW);
        MoveTo(separator, row.placements[f]->separator);
    }
    return row.width;
}

void PanelLayout::ShiftLevelControls(int dx) {
    const std::array<HWND, kLevelControls> windows = LevelControlWindows(controls_);
    for (int i = 0; i < kLevelControls; ++i) {
        PixelRect from = ClientRectOf(windows[i]);
        if (i == kLevelSlider) {
            // The slider starts from its template place: setting its channel
            // bitmap has re-seated it at the panel's corner.
            const RECT home = controls_.levelSlider.GetTemplateRect();
            from = PixelRect::At(home.left, home.top, from.Size());
        }
        MoveTo(windows[i], PixelRect::At(from.left + dx, from.top, from.Size()));
    }
}

std::optional<LevelRects> PanelLayout::VolumeLayout() const {
    return layoutInitVolume_ ? std::optional<LevelRects>(volumeLayout_) : std::nullopt;
}

std::optional<LevelRects> PanelLayout::BrightnessLayout() const {
    return layoutInitBrightness_ ? std::optional<LevelRects>(brightnessLayout_) : std::nullopt;
}
