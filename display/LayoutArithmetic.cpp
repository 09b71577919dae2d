#include "display/LayoutArithmetic.h"

#include "res/resource.h"

namespace {
// The shell dialog font's base units at 100 %.
constexpr int32_t kBaseUnitX = 6;
constexpr int32_t kBaseUnitY = 13;

// units × base / per, rounded as MulDiv rounds: halves away from 0.
int32_t MulDivRounded(int32_t units, int32_t base, int32_t per) {
    const int64_t product = static_cast<int64_t>(units) * base;
    return static_cast<int32_t>((product + (product < 0 ? -per / 2 : per / 2)) / per);
}
} // namespace

PixelPoint DialogUnitsToPixels(int32_t x, int32_t y) {
    return {MulDivRounded(x, kBaseUnitX, 4), MulDivRounded(y, kBaseUnitY, 8)};
}

int32_t FunctionGap(PanelFunction function, uint8_t functionMask) {
    if (!(functionMask & (1u << kDimmingFunction)))
        return 8;
    return function == kDimmingFunction ? 2 : 4;
}

int32_t FunctionButtonTop(PanelFunction function) {
    return function == kDimmingFunction ? 4 : 3;
}

FunctionRow LayoutFunctionRow(uint8_t functionMask,
                              const std::array<FunctionSizes, kPanelFunctions>& sizes) {
    FunctionRow row;
    for (PanelFunction function : {kLockFunction, kBuzzerFunction, kDimmingFunction}) {
        if (!(functionMask & (1u << function)))
            continue;
        const int32_t gap = FunctionGap(function, functionMask);
        FunctionPlacement placement;
        placement.button =
            PixelRect::At(row.width + gap, FunctionButtonTop(function), sizes[function].button);
        row.width = placement.button.right;
        placement.separator = PixelRect::At(row.width + gap, 3, sizes[function].separator);
        row.width = placement.separator.right;
        row.placements[function] = placement;
    }
    return row;
}

LevelRects BrightnessArrangement(int32_t rowWidth,
                                 const std::array<PixelSize, kLevelControls>& sizes) {
    constexpr int32_t kTemplateLeft[kLevelControls] = {DLU_SWITCH_LEFT, DLU_MARKER_LEFT,
                                                       DLU_FUNCTION_LEFT, DLU_SLIDER_LEFT};
    LevelRects brightness;
    for (int i = 0; i < kLevelControls; ++i) {
        const PixelPoint place = DialogUnitsToPixels(kTemplateLeft[i], DLU_LEVEL_TOP);
        brightness[i] = PixelRect::At(rowWidth + place.x, place.y, sizes[i]);
    }
    return brightness;
}

LevelRects VolumeArrangement(const LevelRects& current) {
    const PixelRect& s = current[kSwitchButton];
    const PixelRect& m = current[kLevelMarker];
    const PixelSize f = current[kFunctionButton].Size();
    const PixelSize l = current[kLevelSlider].Size();
    LevelRects volume;
    volume[kFunctionButton] = PixelRect::At(s.left, s.top, f);
    volume[kLevelSlider] = PixelRect::At(m.left + 4, m.top + 2, l);
    volume[kSwitchButton] = PixelRect::At(s.left + l.width + f.width + 14, s.top, s.Size());
    volume[kLevelMarker] = PixelRect::At(m.left + l.width + 7, m.top, m.Size());
    return volume;
}
