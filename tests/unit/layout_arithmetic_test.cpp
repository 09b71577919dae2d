#include <gtest/gtest.h>

#include <cmath>

#include "controls/ArtworkScale.h"
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

TEST(LayoutArithmetic, TheTemplatesDialogUnitsInPixels) {
    // As MapDialogRect maps them with the shell dialog font's base units
    // 6 × 13 (MulDiv: halves away from 0): 37 × 6 / 4 = 55.5 is 56.
    const struct {
        int32_t x, y;
        int32_t px, py;
    } cases[] = {{0, 2, 0, 3}, {37, 2, 56, 3}, {43, 2, 65, 3},      {81, 2, 122, 3},   {1, 1, 2, 2},
                 {2, 4, 3, 7}, {4, 8, 6, 13},  {345, 76, 518, 124}, {-37, -2, -56, -3}};
    for (const auto& c : cases) {
        const PixelPoint p = DialogUnitsToPixels(c.x, c.y);
        EXPECT_EQ(p.x, c.px) << c.x;
        EXPECT_EQ(p.y, c.py) << c.y;
    }
}

TEST(LayoutArithmetic, VolumeArrangementOfTheFourControls) {
    // Brightness arrangement shifted by W = 84: switch, separator, function
    // button and slider at their template places.
    const LevelRects brightness =
        BrightnessArrangement(84, {{{55, 62}, {3, 62}, {55, 62}, {182, 62}}});
    EXPECT_EQ(brightness[kSwitchButton], (PixelRect{84, 3, 139, 65}));
    EXPECT_EQ(brightness[kLevelMarker], (PixelRect{140, 3, 143, 65}));
    EXPECT_EQ(brightness[kFunctionButton], (PixelRect{149, 3, 204, 65}));
    EXPECT_EQ(brightness[kLevelSlider], (PixelRect{206, 3, 388, 65}));
    const LevelRects volume = VolumeArrangement(brightness);
    EXPECT_EQ(volume[kFunctionButton], (PixelRect{84, 3, 139, 65}));
    EXPECT_EQ(volume[kLevelSlider], (PixelRect{144, 5, 326, 67}));
    EXPECT_EQ(volume[kSwitchButton], (PixelRect{84 + 182 + 55 + 14, 3, 390, 65}));
    EXPECT_EQ(volume[kLevelMarker], (PixelRect{140 + 182 + 7, 3, 332, 65}));
}

TEST(LayoutArithmetic, EveryScaleShowsTheSameArrangement) {
    // All three functions and both arrangements, at 100 %.
    const FunctionRow row = LayoutFunctionRow(kLock | kBuzzer | kDimming, kSizes);
    const LevelRects brightness =
        BrightnessArrangement(row.width, {{{55, 62}, {3, 62}, {55, 62}, {182, 62}}});
    std::vector<PixelRect> places(brightness.begin(), brightness.end());
    for (const PixelRect& r : VolumeArrangement(brightness))
        places.push_back(r);
    for (const auto& placement : row.placements) {
        places.push_back(placement->button);
        places.push_back(placement->separator);
    }
    const LevelRects volume = VolumeArrangement(brightness);
    // Where the controls at the panel's ends and the slider of each
    // arrangement stand at each scale (at 150 % the brightness slider at
    // 338 × 1.5).
    const struct {
        int dpi;
        PixelRect lock, brightnessSlider, volumeSlider, volumeSwitch;
    } at[] = {
        {96, {4, 3, 59, 65}, {338, 3, 520, 65}, {276, 5, 458, 67}, {467, 3, 522, 65}},
        {120, {5, 4, 74, 82}, {423, 4, 651, 82}, {345, 6, 573, 84}, {584, 4, 653, 82}},
        {144, {6, 5, 89, 98}, {507, 5, 780, 98}, {414, 8, 687, 101}, {701, 5, 784, 98}},
        {168, {7, 5, 103, 114}, {592, 5, 911, 114}, {483, 9, 802, 118}, {817, 5, 913, 114}},
        {192, {8, 6, 118, 130}, {676, 6, 1040, 130}, {552, 10, 916, 134}, {934, 6, 1044, 130}},
    };
    for (const auto& a : at) {
        SCOPED_TRACE(a.dpi);
        EXPECT_EQ(ScaleRect(row.placements[kLockFunction]->button, a.dpi), a.lock);
        EXPECT_EQ(ScaleRect(brightness[kLevelSlider], a.dpi), a.brightnessSlider);
        EXPECT_EQ(ScaleRect(volume[kLevelSlider], a.dpi), a.volumeSlider);
        EXPECT_EQ(ScaleRect(volume[kSwitchButton], a.dpi), a.volumeSwitch);
    }
    for (int dpi : {96, 120, 144, 168, 192}) {
        const double k = dpi / 96.0;
        for (const PixelRect& r : places) {
            const PixelRect scaled = ScaleRect(r, dpi);
            SCOPED_TRACE(testing::Message() << r << " at " << dpi << " is " << scaled);
            EXPECT_LE(std::abs(scaled.left - r.left * k), 0.5);
            EXPECT_LE(std::abs(scaled.top - r.top * k), 0.5);
            EXPECT_LE(std::abs(scaled.right - r.right * k), 1.0);
            EXPECT_LE(std::abs(scaled.bottom - r.bottom * k), 1.0);
        }
    }
}
