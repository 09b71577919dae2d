#include <gtest/gtest.h>

#include "controls/ArtworkScale.h"
#include "controls/Resample.h"
#include "res/resource.h"

namespace {
constexpr int kDpis[] = {96, 120, 144, 168, 192};
} // namespace

TEST(ArtworkScale, LengthsAtEveryTestedScale) {
    const struct {
        int32_t length;
        int32_t at[5]; // 96, 120, 144, 168, 192 dpi
    } cases[] = {
        {23, {23, 29, 35, 40, 46}},        // thumb width: 28.75, 34.5, 40.25
        {11, {11, 14, 17, 19, 22}},        // thumb height: 13.75, 16.5, 19.25
        {22, {22, 28, 33, 39, 44}},        // thumb top: 27.5, 38.5
        {55, {55, 69, 83, 96, 110}},       // button width: 68.75, 82.5, 96.25
        {62, {62, 78, 93, 109, 124}},      // picture height: 77.5, 108.5
        {182, {182, 228, 273, 319, 364}},  // channel width: 227.5, 318.5
        {530, {530, 663, 795, 928, 1060}}, // widest background: 662.5, 927.5
        {3, {3, 4, 5, 5, 6}},              // separator: 3.75, 4.5, 5.25
        {5, {5, 6, 8, 9, 10}},             // gap beside the icon: 6.25, 7.5, 8.75
        {0, {0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases)
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(ScaleLength(c.length, kDpis[i]), c.at[i]) << c.length << " at " << kDpis[i];
    EXPECT_EQ(ScaleRect({8, 3, 63, 65}, 144), (PixelRect{12, 5, 95, 98}))
        << "corner and size scaled on their own: the size is the picture's";
    // A scale outside 48 to 480 dpi counts as the nearer end: 50 % or 500 %.
    const struct {
        int dpi;
        int32_t width;
    } held[] = {{48, 265},    {47, 265},        {1, 265},         {0, 265},
                {-96, 265},   {INT32_MIN, 265}, {480, 2650},      {481, 2650},
                {8000, 2650}, {65535, 2650},    {INT32_MAX, 2650}};
    for (const auto& h : held)
        EXPECT_EQ(ScaleLength(530, h.dpi), h.width) << h.dpi;
}

TEST(ArtworkScale, TheSetForEachScale) {
    const struct {
        int dpi, setDpi;
        bool resampled;
    } cases[] = {
        {96, 96, false},   {120, 144, true}, {144, 144, false}, {168, 192, true},
        {192, 192, false}, {240, 192, true}, {72, 96, true},
    };
    for (const auto& c : cases) {
        const ArtworkChoice choice = ChooseArtworkSet(c.dpi);
        EXPECT_EQ(choice.setDpi, c.setDpi) << c.dpi;
        EXPECT_EQ(choice.resampled, c.resampled) << c.dpi;
    }
    EXPECT_EQ(ArtworkSetId(IDB_THUMB, 96), 168u);
    EXPECT_EQ(ArtworkSetId(IDB_THUMB, 144), 168u + IDB_SET_STEP);
    EXPECT_EQ(ArtworkSetId(IDB_BACKGROUND_3, 192), 164u + 2 * IDB_SET_STEP);
    EXPECT_EQ(KeyOf(IDB_BACKGROUND_0).rule, KeyRule::Colour);
    EXPECT_EQ(KeyOf(IDB_BACKGROUND_3).colour, 0x008080u);
    EXPECT_EQ(KeyOf(IDB_THUMB).rule, KeyRule::TopLeftPixel);
    EXPECT_EQ(KeyOf(IDB_CHANNEL_VOLUME).rule, KeyRule::None);
}

TEST(Resample, EachPixelAveragesWhatItCovers) {
    // 3 to 2: the middle pixel counts half for each new one.
    const std::vector<uint32_t> row = {0x000000, 0x306090, 0xF0F0F0};
    EXPECT_EQ(Resample(row, {3, 1}, {2, 1}, std::nullopt),
              (std::vector<uint32_t>{0x102030, 0xB0C0D0}));
    // 2 to 4: each old pixel doubled; 2 × 2 to 1 × 1: the mean.
    EXPECT_EQ(Resample({0x10, 0x20}, {2, 1}, {4, 1}, std::nullopt),
              (std::vector<uint32_t>{0x10, 0x10, 0x20, 0x20}));
    EXPECT_EQ(Resample({0x000000, 0x000040, 0x004000, 0x400000}, {2, 2}, {1, 1}, std::nullopt),
              (std::vector<uint32_t>{0x101010}));
}

TEST(Resample, SizesBeyondItsBoundsGiveNothing) {
    const std::vector<uint32_t> one = {0x123456};
    // The largest picture at the largest scale, and the bound itself.
    EXPECT_EQ(Resample(one, {1, 1}, {2650, 1}, std::nullopt).size(), 2650u);
    EXPECT_EQ(Resample(one, {1, 1}, {1, kMaxResampleSide}, std::nullopt).size(),
              static_cast<size_t>(kMaxResampleSide));
    const struct {
        const char* what;
        PixelSize from, to;
        size_t pixels;
    } refused[] = {
        {"wider than the bound", {1, 1}, {kMaxResampleSide + 1, 1}, 1},
        {"a side whose square wraps 32 bits", {1, 1}, {65535, 65535}, 1},
        {"a negative side", {1, 1}, {-1, 5}, 1},
        {"no pixels to make", {1, 1}, {0, 0}, 1},
        {"an empty picture", {0, 0}, {1, 1}, 0},
        {"fewer pixels than the size says", {2, 2}, {1, 1}, 3},
        {"more pixels than the size says", {1, 1}, {1, 1}, 2},
    };
    for (const auto& r : refused)
        EXPECT_TRUE(
            Resample(std::vector<uint32_t>(r.pixels, 0x123456), r.from, r.to, std::nullopt).empty())
            << r.what;
}

TEST(Resample, TheKeyColourNeverBlends) {
    constexpr uint32_t key = 0x008080, white = 0xFFFFFF, dark = 0x004048;
    // Key on the left, picture on the right, 150 % to 125 % (6 to 5).
    std::vector<uint32_t> picture;
    for (int y = 0; y < 6; ++y)
        for (uint32_t pixel : {key, key, key, white, dark, dark})
            picture.push_back(pixel);
    const std::vector<uint32_t> scaled = Resample(picture, {6, 6}, {5, 5}, key);
    for (int y = 0; y < 5; ++y) {
        SCOPED_TRACE(y);
        // New pixel 2 covers [12, 18) of old pixels spanning 5 units each:
        // 3 of key, 3 of white, so half: transparent.
        EXPECT_EQ(scaled[y * 5 + 2], key);
        // New pixel 3 covers white 2 of 6 and dark 4 of 6: no key in it.
        EXPECT_EQ(scaled[y * 5 + 3], 0x558085u);
        EXPECT_EQ(scaled[y * 5 + 4], dark);
    }
    // Less than half key: the opaque pixels' average alone, no teal in it.
    EXPECT_EQ(Resample({key, white, white}, {3, 1}, {1, 1}, key), (std::vector<uint32_t>{white}));
    // An average that would be the key itself is moved off it.
    EXPECT_EQ(Resample({0x008070, 0x008090}, {2, 1}, {1, 1}, key),
              (std::vector<uint32_t>{0x008081}));
}
