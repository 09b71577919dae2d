// The panel's two arrangements (volume and brightness), the switch button,
// the row of optional function buttons and the painting of the background.
#include "app/LumitraxDlg.h"
#include "controls/PaintContext.h"
#include "display/LayoutArithmetic.h"
#include "res/resource.h"

namespace {
RECT ToRect(const PixelRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

PixelRect ToPixelRect(const RECT& r) {
    return PixelRect{r.left, r.top, r.right, r.bottom};
}

// A window's rectangle in its parent's client coordinates.
PixelRect ClientRectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return ToPixelRect(r);
}

PixelSize WindowSize(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return PixelSize{r.right - r.left, r.bottom - r.top};
}

void MoveTo(HWND window, const PixelRect& r) {
    MoveWindow(window, r.left, r.top, r.Width(), r.Height(), TRUE);
}

void Store(RECT (&layout)[kLevelControls], const LevelRects& rects) {
    for (int i = 0; i < kLevelControls; ++i)
        layout[i] = ToRect(rects[i]);
}

// The level controls in the order of both stored arrangements.
std::array<HWND, kLevelControls> LevelControlWindows(CLumitraxDlg& panel) {
    return {panel.switchButton.GetSafeHwnd(), panel.levelMarker,
            panel.functionButton.GetSafeHwnd(), panel.levelSlider.GetSafeHwnd()};
}
} // namespace

void CLumitraxDlg::ArrangePanel(int mode) {
    ArrangePanel(mode, CurrentLevels());
}

void CLumitraxDlg::ArrangePanel(int mode, const ArrangeLevels& levels) {
    const std::array<HWND, kLevelControls> controls = LevelControlWindows(*this);
    LevelRects current;
    for (int i = 0; i < kLevelControls; ++i)
        current[i] = ClientRectOf(controls[i]);

    RECT(&layout)[kLevelControls] = mode == 0 ? volumeLayout : brightnessLayout;
    bool recorded;
    LevelRects target;
    if (mode == 0) {
        levelSlider.SetChannelBitmap(IDB_CHANNEL_VOLUME);
        showingBrightness = 0;
        levelSlider.SetValue(levels.keypadVolume);
        switchButton.LoadBitmaps(IDB_BACKLIGHT);
        SetFunctionButtonPicture(levels.muted ? IDB_VOLUME_MUTED : IDB_VOLUME_SOUND);
        recorded = layoutInitVolume;
        if (!recorded) {
            target = VolumeArrangement(current);
            layoutInitVolume = 1;
        }
    } else {
        levelSlider.SetChannelBitmap(IDB_CHANNEL_BRIGHTNESS);
        showingBrightness = 1;
        levelSlider.SetValue(levels.brightness);
        switchButton.LoadBitmaps(IDB_VOLUME);
        SetFunctionButtonPicture(levels.backlightOn ? IDB_BACKLIGHT_ON : IDB_BACKLIGHT_OFF);
        recorded = layoutInitBrightness;
        if (!recorded) {
            // The positions the controls hold now; the slider's was taken
            // before its channel bitmap re-seated it at the panel's corner,
            // so it goes back there too.
            target = current;
            layoutInitBrightness = 1;
        }
    }
    // The switch button's new picture shows even where the button does not move.
    switchButton.Invalidate();
    if (!recorded)
        Store(layout, target);
    for (int i = 0; i < kLevelControls; ++i)
        MoveTo(controls[i], ToPixelRect(layout[i]));
}

void CLumitraxDlg::OnSwitchButton() {
    ArrangePanel(showingBrightness ? 0 : 1);
}

int CLumitraxDlg::LayoutFunctionButtons() {
    struct Function {
        CBitmapButton& button;
        UINT picture;
        int separatorId;
    };
    const std::array<Function, kPanelFunctions> functions = {{
        {dimmingButton, autoDimming ? UINT{IDB_DIMMING_ON} : UINT{IDB_DIMMING_OFF},
         IDC_SEPARATOR_DIMMING},
        {buzzerButton, IDB_BUZZER_ON, IDC_SEPARATOR_BUZZER},
        {lockButton, keypadLocked ? UINT{IDB_LOCKED} : UINT{IDB_UNLOCKED}, IDC_SEPARATOR_LOCK},
    }};
    const uint8_t mask = functionMask;
    std::array<FunctionSizes, kPanelFunctions> sizes{};
    for (int f = 0; f < kPanelFunctions; ++f) {
        if (!(mask & (1u << f)))
            continue;
        functions[f].button.LoadBitmaps(functions[f].picture);
        functions[f].button.SizeToContent();
        sizes[f] = {WindowSize(functions[f].button.GetSafeHwnd()),
                    WindowSize(GetDlgItem(m_hWnd, functions[f].separatorId))};
    }
    const FunctionRow row = LayoutFunctionRow(mask, sizes);
    for (int f = 0; f < kPanelFunctions; ++f) {
        if (!row.placements[f])
            continue;
        const HWND button = functions[f].button.GetSafeHwnd();
        const HWND separator = GetDlgItem(m_hWnd, functions[f].separatorId);
        ShowWindow(button, SW_SHOW);
        MoveTo(button, row.placements[f]->button);
        ShowWindow(separator, SW_SHOW);
        MoveTo(separator, row.placements[f]->separator);
    }
    return row.width;
}

void CLumitraxDlg::ShiftLevelControls(int dx) {
    const std::array<HWND, kLevelControls> controls = LevelControlWindows(*this);
    for (int i = 0; i < kLevelControls; ++i) {
        PixelRect from = ClientRectOf(controls[i]);
        if (i == kLevelSlider) {
            // The slider starts from its template place: setting its channel
            // bitmap has re-seated it at the panel's corner.
            const RECT home = levelSlider.GetTemplateRect();
            from = PixelRect::At(home.left, home.top, from.Size());
        }
        MoveTo(controls[i], PixelRect::At(from.left + dx, from.top, from.Size()));
    }
}

void CLumitraxDlg::OnPaint() {
    PaintContext paint(m_hWnd);
    if (!backgroundBitmap)
        return;
    MemoryDC memory(nullptr);
    SelectionGuard select(memory, backgroundBitmap.Get());
    BitBlt(paint, 0, 0, backgroundInfo.bmWidth, backgroundInfo.bmHeight, memory, 0, 0, SRCCOPY);
}

HICON CLumitraxDlg::OnQueryDragIcon() {
    return appIcon;
}
