#include <gtest/gtest.h>

#include "display/LayoutArithmetic.h"

namespace {
// The pictures' sizes: padlock 176/177 and buzzer 175 are 55 × 62, the
// dimming buttons 165/166 are 77 × 62, the separator 160 is 3 × 62.
const std::array<FunctionSizes, kPanelFunctions> kSizes = {
    {{{77, 62}, {3, 62}}, {{55, 62}, {3, 62}}, {{55, 62}, {3, 62}}}};
constexpr uint8_t kDimming = 1, kBuzzer = 2, kLock = 4;
} // namespace

TEST(LayoutArithmetic, Gaps) {
    const struct {
        PanelFunction function;
        uint8_t mask;
        int32_t gap;
    } cases[] = {
        {kLockFunction, kLock, 8},
        {kLockFunction, kLock | kBuzzer, 8},
        {kBuzzerFunction, kBuzzer, 8},
        {kLockFunction, kLock | kDimming, 4},
        {kBuzzerFunction, kBuzzer | kDimming, 4},
        {kDimmingFunction, kDimming, 2},
        {kDimmingFunction, kDimming | kBuzzer | kLock, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FunctionGap(c.function, c.mask), c.gap) << c.function << " in " << int(c.mask);
}

TEST(LayoutArithmetic, RowWidthForEveryCombination) {
    // Lock or buzzer without dimming: 8 + 55 + 8 + 3 each; dimming: 2 + 77 + 2
    // + 3; lock or buzzer beside dimming: 4 + 55 + 4 + 3 each.
    const int32_t widths[8] = {0, 84, 74, 150, 74, 150, 148, 216};
    for (uint8_t mask = 0; mask < 8; ++mask)
        EXPECT_EQ(LayoutFunctionRow(mask, kSizes).width, widths[mask]) << "mask " << int(mask);
}

TEST(LayoutArithmetic, FullRowReadsLeftToRight) {
    const FunctionRow row = LayoutFunctionRow(kLock | kBuzzer | kDimming, kSizes);
    ASSERT_TRUE(row.placements[kLockFunction] && row.placements[kBuzzerFunction] &&
                row.placements[kDimmingFunction]);
    // 4, padlock, 4, separator, 4, buzzer, 4, separator, 2, dimming, 2, separator.
    EXPECT_EQ(row.placements[kLockFunction]->button, (PixelRect{4, 3, 59, 65}));
    EXPECT_EQ(row.placements[kLockFunction]->separator, (PixelRect{63, 3, 66, 65}));
    EXPECT_EQ(row.placements[kBuzzerFunction]->button, (PixelRect{70, 3, 125, 65}));
    EXPECT_EQ(row.placements[kBuzzerFunction]->separator, (PixelRect{129, 3, 132, 65}));
    EXPECT_EQ(row.placements[kDimmingFunction]->button, (PixelRect{134, 4, 211, 66}));
    EXPECT_EQ(row.placements[kDimmingFunction]->separator, (PixelRect{213, 3, 216, 65}));
    EXPECT_EQ(row.width, 216);
}

TEST(LayoutArithmetic, PadlockAloneStandsEightFromTheEdge) {
    const FunctionRow row = LayoutFunctionRow(kLock, kSizes);
    EXPECT_FALSE(row.placements[kBuzzerFunction]);
    EXPECT_FALSE(row.placements[kDimmingFunction]);
    ASSERT_TRUE(row.placements[kLockFunction]);
    EXPECT_EQ(row.placements[kLockFunction]->button, (PixelRect{8, 3, 63, 65}));
    EXPECT_EQ(row.placements[kLockFunction]->separator, (PixelRect{71, 3, 74, 65}));
    EXPECT_EQ(LayoutFunctionRow(0, kSizes).width, 0);
}

TEST(LayoutArithmetic, VolumeArrangementOfTheFourControls) {
    // Brightness arrangement shifted by W = 84: switch, separator, function
    // button and slider at their template places.
    LevelRects brightness;
    brightness[kSwitchButton] = {84, 3, 139, 65};
    brightness[kLevelMarker] = {139, 3, 142, 65};
    brightness[kFunctionButton] = {148, 3, 203, 65};
    brightness[kLevelSlider] = {205, 3, 387, 65};
    const LevelRects volume = VolumeArrangement(brightness);
    EXPECT_EQ(volume[kFunctionButton], (PixelRect{84, 3, 139, 65}));
    EXPECT_EQ(volume[kLevelSlider], (PixelRect{143, 5, 325, 67}));
    EXPECT_EQ(volume[kSwitchButton], (PixelRect{84 + 182 + 55 + 14, 3, 390, 65}));
    EXPECT_EQ(volume[kLevelMarker], (PixelRect{139 + 182 + 7, 3, 331, 65}));
}
