#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/PanelPlacement.h"
#include "controls/RegionRuns.h"

namespace {
constexpr uint32_t kKey = 0x008080; // RGB(0, 128, 128) as 0xRRGGBB

// A picture from rows of text: '.' is the key colour, '#' the panel colour,
// '+' one step away from the key colour.
std::vector<uint32_t> Picture(const std::vector<std::string>& rows) {
    std::vector<uint32_t> pixels;
    for (const std::string& row : rows)
        for (char c : row)
            pixels.push_back(c == '.' ? kKey : c == '+' ? kKey + 1 : 0x004048);
    return pixels;
}

std::vector<PixelRect> Runs(const std::vector<std::string>& rows) {
    const std::vector<uint32_t> pixels = Picture(rows);
    return OpaqueRuns(pixels.data(), static_cast<int>(rows[0].size()),
                      static_cast<int>(rows.size()), kKey);
}
} // namespace

TEST(RegionRuns, OneRectanglePerRunOfNonKeyPixels) {
    const struct {
        const char* what;
        std::vector<std::string> rows;
        std::vector<PixelRect> runs;
    } cases[] = {
        {"row without key pixels", {"####"}, {{0, 0, 4, 1}}},
        {"row of key pixels only", {"....", "#..#"}, {{0, 1, 1, 2}, {3, 1, 4, 2}}},
        {"hole in the middle", {"##..###"}, {{0, 0, 2, 1}, {4, 0, 7, 1}}},
        {"rounded corners", {".##.", "####", ".##."}, {{1, 0, 3, 1}, {0, 1, 4, 2}, {1, 2, 3, 3}}},
        {"one step from the key colour stays", {"..+.."}, {{2, 0, 3, 1}}},
        {"runs reaching both edges", {"#.#.#"}, {{0, 0, 1, 1}, {2, 0, 3, 1}, {4, 0, 5, 1}}},
        {"all key", {"...", "..."}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Runs(c.rows), c.runs) << c.what;
}

TEST(RegionRuns, TopByteIsIgnored) {
    const std::vector<uint32_t> pixels = {0xFF008080, 0x12004048, 0x00008080};
    EXPECT_EQ(OpaqueRuns(pixels.data(), 3, 1, 0xAB008080), (std::vector<PixelRect>{{1, 0, 2, 1}}));
}

TEST(PanelPlacement, BackgroundByFunctionCount) {
    EXPECT_EQ(BackgroundBitmapId(0), 161u);
    EXPECT_EQ(BackgroundBitmapId(1), 162u);
    EXPECT_EQ(BackgroundBitmapId(2), 163u);
    EXPECT_EQ(BackgroundBitmapId(3), 164u);
}

TEST(PanelPlacement, CentredWithEachHalfTruncated) {
    const struct {
        int screenW, screenH, w, h, x, y;
    } cases[] = {
        {1024, 768, 330, 70, 347, 349},
        {1023, 768, 455, 70, 284, 349},
        {1024, 768, 530, 70, 247, 349},
        {1023, 767, 391, 71, 511 - 195, 383 - 35},
    };
    for (const auto& c : cases) {
        const PixelPoint p = CentredOrigin(c.screenW, c.screenH, c.w, c.h);
        EXPECT_EQ(p.x, c.x) << c.screenW << " " << c.w;
        EXPECT_EQ(p.y, c.y) << c.screenH << " " << c.h;
    }
}
