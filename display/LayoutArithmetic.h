#pragma once
// The panel's layout arithmetic: the row of optional function buttons at the
// left edge, the brightness arrangement of the four level controls, and their
// volume arrangement computed from where they stand in the brightness one.
// All in pixels at 100 %; the panel scales each place to its display scale
// (controls/ArtworkScale.h), so that every scale shows the same arrangement.
#include <array>
#include <cstdint>
#include <optional>

#include "controls/PanelPlacement.h"
#include "controls/PixelRect.h"

// The level controls, in the fixed order of both stored arrangements.
enum LevelControl { kSwitchButton, kLevelMarker, kFunctionButton, kLevelSlider, kLevelControls };
using LevelRects = std::array<PixelRect, kLevelControls>;

// Optional functions by their bit in the function mask.
enum PanelFunction { kDimmingFunction, kBuzzerFunction, kLockFunction, kPanelFunctions };

// Where one optional function's button and separator go.
struct FunctionPlacement {
    PixelRect button;
    PixelRect separator;
};

// The sizes of one optional function's button (its picture) and separator.
struct FunctionSizes {
    PixelSize button;
    PixelSize separator;
};

// The row of optional function buttons, indexed by function bit; functions
// absent from the mask have no placement. width is where the row ends (0
// when it is empty).
struct FunctionRow {
    std::array<std::optional<FunctionPlacement>, kPanelFunctions> placements;
    int32_t width = 0;
};

// The gap before a function's button and before its separator: 8 pixels when
// the dimming function is absent; with it, 4 for padlock and buzzer and 2 for
// the dimming button.
int32_t FunctionGap(PanelFunction function, uint8_t functionMask);
// The top edge of a function's button: 4 for dimming, 3 for buzzer and padlock.
int32_t FunctionButtonTop(PanelFunction function);
// Lays out padlock, then buzzer, then dimming, each button followed by its
// separator (top 3), left to right from x = 0. sizes is indexed by function bit.
FunctionRow LayoutFunctionRow(uint8_t functionMask,
                              const std::array<FunctionSizes, kPanelFunctions>& sizes);

// A place in the dialog template, in dialog units, in pixels at 100 %: the
// dialog manager's rule (MapDialogRect), x × 6 / 4 and y × 13 / 8 rounded to
// the nearest pixel with halves away from 0 (MulDiv), in the base units of
// the shell dialog font at 100 %, 6 × 13 pixels.
PixelPoint DialogUnitsToPixels(int32_t x, int32_t y);

// The brightness arrangement: the level controls at their places in the
// dialog template (res/resource.h; in pixels switch button 0, separator 56,
// function button 65, slider 122, all at top 3), shifted right by rowWidth,
// each with its size in sizes.
LevelRects BrightnessArrangement(int32_t rowWidth,
                                 const std::array<PixelSize, kLevelControls>& sizes);

// The volume arrangement from the level controls' rectangles in client
// coordinates: function button where the switch button was, the slider just
// right of the separator's old place, then separator and switch button.
LevelRects VolumeArrangement(const LevelRects& current);
