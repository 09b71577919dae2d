#include <gtest/gtest.h>

#include "controls/ArtworkScale.h"
#include "controls/SliderMath.h"

namespace {
// The panel's slider: channel 182 wide, thumb 23 wide, no side insets, 0 to 20.
const SliderMetrics kPanel{182, 23, 0, 0, 0, 20};
} // namespace

TEST(SliderMath, ValueToPixelWorkedNumbers) {
    const struct { int value, pixel; } cases[] = {{0, 11}, {1, 18}, {10, 90}, {19, 162}, {20, 170}};
    for (const auto& c : cases)
        EXPECT_EQ(ValueToPixel(kPanel, c.value), c.pixel) << "value " << c.value;
}

TEST(SliderMath, TheThumbsTravelAtEveryScale) {
    // The panel's slider as it stands at each scale: channel and thumb
    // scaled from 182 and 23, no side insets. The thumb's centre at the
    // lowest, a middle and the highest value; its left edge at the lowest
    // value is the channel's left edge, its right edge at the highest value
    // the channel's right edge.
    const struct {
        int dpi, channel, thumb;
        int atMin, atOne, atMiddle, atMax, dragMax;
    } cases[] = {
        {96, 182, 23, 11, 18, 90, 170, 171},   {120, 228, 29, 14, 23, 113, 213, 214},
        {144, 273, 35, 17, 28, 136, 255, 256}, {168, 319, 40, 20, 33, 159, 299, 299},
        {192, 364, 46, 23, 38, 182, 341, 341},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dpi);
        const SliderMetrics m{ScaleLength(182, c.dpi), ScaleLength(23, c.dpi), 0, 0, 0, 20};
        ASSERT_EQ(m.cxControl, c.channel);
        ASSERT_EQ(m.cxThumb, c.thumb);
        EXPECT_EQ(ValueToPixel(m, 0), c.atMin);
        EXPECT_EQ(ValueToPixel(m, 1), c.atOne);
        EXPECT_EQ(ValueToPixel(m, 10), c.atMiddle);
        EXPECT_EQ(ValueToPixel(m, 20), c.atMax);
        EXPECT_EQ(ValueToPixel(m, 0) - c.thumb / 2, 0) << "the thumb's first position";
        EXPECT_EQ(ValueToPixel(m, 20) - c.thumb / 2 + c.thumb, c.channel)
            << "the thumb's last position";
        EXPECT_EQ(ClampDragPixel(m, 10000), c.dragMax);
        EXPECT_EQ(PixelToValue(m, c.atMax), 20);
        EXPECT_EQ(DragValue(m, 0, 0, 10000), 20) << "a drag far right reaches the top";
    }
}

TEST(SliderMath, PixelToValueTruncates) {
    const struct {
        int pixel, value;
    } cases[] = {{11, 0}, {90, 9}, {170, 20}, {171, 20}, {0, -1}, {-30, -5}};
    // Left of the travel the quotient is negative and truncates toward zero.
    for (const auto& c : cases)
        EXPECT_EQ(PixelToValue(kPanel, c.pixel), c.value) << "pixel " << c.pixel;
}

TEST(SliderMath, PixelOfEveryInnerValueMapsBackOneLower) {
    for (int v = 1; v <= 19; ++v)
        EXPECT_EQ(PixelToValue(kPanel, ValueToPixel(kPanel, v)), v - 1) << "value " << v;
    EXPECT_EQ(PixelToValue(kPanel, ValueToPixel(kPanel, 0)), 0);
    EXPECT_EQ(PixelToValue(kPanel, ValueToPixel(kPanel, 20)), 20);
}

TEST(SliderMath, InsetsAndRangeOffsetEnterTheMapping) {
    // span = 200 − 6 − 20 − 14 = 160, half = 10, range 10 to 50.
    const SliderMetrics m{200, 20, 14, 6, 10, 50};
    EXPECT_EQ(ValueToPixel(m, 10), 24);
    EXPECT_EQ(ValueToPixel(m, 30), 104);
    EXPECT_EQ(ValueToPixel(m, 50), 184);
    EXPECT_EQ(PixelToValue(m, 104), 30);
    EXPECT_EQ(PixelToValue(m, 24), 10);
}

TEST(SliderMath, RangeClampingTakesMaximumFirst) {
    const struct {
        int value, min, max, expected;
    } cases[] = {{25, 0, 20, 20}, {-3, 0, 20, 0}, {7, 0, 20, 7}, {0, 0, 20, 0}, {20, 0, 20, 20}};
    for (const auto& c : cases)
        EXPECT_EQ(ClampToRange(c.value, c.min, c.max), c.expected) << c.value;
}

TEST(SliderMath, DragPositionHeldBetween11And171) {
    const struct {
        int x, expected;
    } cases[] = {{-50, 11}, {10, 11}, {11, 11}, {100, 100}, {171, 171}, {172, 171}, {400, 171}};
    for (const auto& c : cases)
        EXPECT_EQ(ClampDragPixel(kPanel, c.x), c.expected) << "x " << c.x;
}

TEST(SliderMath, GrabOffsetOnlyWithinHalfAThumb) {
    const int centre = ValueToPixel(kPanel, 10); // 90
    const struct {
        int pointer, offset;
    } cases[] = {{90, 0}, {95, 5}, {101, 11}, {79, -11}, {102, 0}, {78, 0}, {150, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(GrabOffset(c.pointer, centre, 23), c.offset) << "pointer " << c.pointer;
}

TEST(SliderMath, DragSteps) {
    const struct {
        const char* what;
        int value, grab, pointer;
        std::optional<int> result;
    } cases[] = {
        {"press on the thumb's centre", 10, 0, 90, std::nullopt},
        {"pointer on the thumb with its grab offset", 10, 7, 97, std::nullopt},
        {"one pixel right: a new pixel, the same value", 10, 0, 91, 10},
        {"one pixel left: the pixel of 10 maps to 9", 10, 0, 89, 9},
        {"far right of the channel", 10, 0, 500, 20},
        {"far left of the channel", 10, 0, -500, 0},
        {"171 maps to 20", 3, 0, 171, 20},
        {"grab offset carried along", 10, 5, 135, 14},
        {"at the top end's pixel nothing moves", 20, 0, 170, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DragValue(kPanel, c.value, c.grab, c.pointer), c.result) << c.what;
}

TEST(SliderMath, NavigationKeys) {
    const struct {
        unsigned key;
        int value;
        std::optional<int> result;
    } cases[] = {
        {kKeyPageUp, 15, -5},    {kKeyPageDown, 15, 35},  {kKeyEnd, 3, 20},  {kKeyHome, 17, 0},
        {kKeyLeft, 5, 4},        {kKeyUp, 5, 4},          {kKeyRight, 5, 6}, {kKeyDown, 5, 6},
        {0x41, 5, std::nullopt}, {0x09, 5, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyValue(c.key, c.value, 20, 0, 20), c.result) << "key " << c.key;
    // Page Up at the minimum and Page Down from 15 once clamped.
    EXPECT_EQ(ClampToRange(*KeyValue(kKeyPageUp, 0, 20, 0, 20), 0, 20), 0);
    EXPECT_EQ(ClampToRange(*KeyValue(kKeyPageDown, 15, 20, 0, 20), 0, 20), 20);
}
