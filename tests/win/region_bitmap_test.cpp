#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/BitmapRegion.h"
#include "res/resource.h"
#include "tests/win/region_by_pixel.h"

namespace {
constexpr COLORREF kKey = RGB(0, 128, 128);

// The region's rectangles, as the system keeps them.
std::vector<RECT> Rects(HRGN region) {
    const DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<RECT> buffer(size / sizeof(RECT) + 1);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    GetRegionData(region, size, data);
    const RECT* first = reinterpret_cast<const RECT*>(data->Buffer);
    return std::vector<RECT>(first, first + data->rdh.nCount);
}

void ExpectSameRegion(HRGN fast, HRGN reference) {
    ASSERT_TRUE(fast);
    ASSERT_TRUE(reference);
    EXPECT_TRUE(EqualRgn(fast, reference));
    const std::vector<RECT> a = Rects(fast), b = Rects(reference);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        EXPECT_TRUE(EqualRect(&a[i], &b[i])) << "rectangle " << i;
}

// A 24-bit picture from rows of text: '.' the key colour, '#' the panel's
// teal, '+' one step of blue away from the key colour.
Bitmap Crafted(const std::vector<std::string>& rows) {
    const int width = static_cast<int>(rows[0].size());
    const int height = static_cast<int>(rows.size());
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    Bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const int stride = (width * 3 + 3) & ~3;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF c = rows[y][x] == '.'   ? kKey
                               : rows[y][x] == '+' ? RGB(0, 128, 129)
                                                   : RGB(0, 64, 72);
            auto* p = static_cast<BYTE*>(bits) + y * stride + x * 3;
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    }
    return bitmap;
}
} // namespace

TEST(BitmapRegion, SameAsPixelByPixelForEveryBackground) {
    const HDC screen = GetDC(nullptr);
    for (UINT id : {IDB_BACKGROUND_0, IDB_BACKGROUND_1, IDB_BACKGROUND_2, IDB_BACKGROUND_3}) {
        SCOPED_TRACE(id);
        Bitmap bitmap(LoadBitmapResource(id));
        ASSERT_TRUE(bitmap);
        const Region fast = CreateBitmapRegion(screen, bitmap.Get(), kKey);
        ExpectSameRegion(fast.Get(), RegionByPixel(screen, bitmap.Get(), kKey).Get());
        RECT box{};
        GetRgnBox(fast.Get(), &box);
        BITMAP info{};
        GetObjectA(bitmap.Get(), sizeof info, &info);
        EXPECT_EQ(box.left, 0);
        EXPECT_EQ(box.top, 0);
        EXPECT_EQ(box.right, info.bmWidth);
        EXPECT_EQ(box.bottom, info.bmHeight);
        // The rounded corners are cut out, the middle is in.
        EXPECT_FALSE(PtInRegion(fast.Get(), 0, 0));
        EXPECT_FALSE(PtInRegion(fast.Get(), info.bmWidth - 1, info.bmHeight - 1));
        EXPECT_TRUE(PtInRegion(fast.Get(), info.bmWidth / 2, info.bmHeight / 2));
    }
    ReleaseDC(nullptr, screen);
}

TEST(BitmapRegion, SameAsPixelByPixelForCraftedPictures) {
    const struct {
        const char* what;
        std::vector<std::string> rows;
        std::vector<POINT> in, out;
    } cases[] = {
        {"a row of key pixels only", {"#####", ".....", "#####"}, {{2, 0}, {2, 2}}, {{2, 1}}},
        {"a hole in the middle of a row",
         {"##..###", "#######"},
         {{1, 0}, {4, 0}, {2, 1}},
         {{2, 0}, {3, 0}}},
        {"one step from the key colour stays", {"..+..", "....."}, {{2, 0}}, {{1, 0}, {2, 1}}},
        {"all key", {"...", "..."}, {}, {{0, 0}, {2, 1}}},
        {"no key", {"###", "###"}, {{0, 0}, {2, 1}}, {}},
    };
    const HDC screen = GetDC(nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bitmap bitmap = Crafted(c.rows);
        const Region fast = CreateBitmapRegion(screen, bitmap.Get(), kKey);
        ExpectSameRegion(fast.Get(), RegionByPixel(screen, bitmap.Get(), kKey).Get());
        for (const POINT& p : c.in)
            EXPECT_TRUE(PtInRegion(fast.Get(), p.x, p.y)) << p.x << ", " << p.y;
        for (const POINT& p : c.out)
            EXPECT_FALSE(PtInRegion(fast.Get(), p.x, p.y)) << p.x << ", " << p.y;
    }
    ReleaseDC(nullptr, screen);
}

TEST(BitmapRegion, AWindowKeepsItsShapeWhenANewOneCannotBeHad) {
    const HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(window);
    ASSERT_TRUE(SetWindowShape(window, Region(CreateEllipticRgn(0, 0, 40, 40))));
    Region before(CreateRectRgn(0, 0, 0, 0));
    ASSERT_EQ(GetWindowRgn(window, before.Get()), COMPLEXREGION);

    EXPECT_FALSE(SetWindowShape(window, Region())) << "no region was made";
    Region after(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(window, after.Get()), ERROR) << "the window is not made rectangular";
    EXPECT_TRUE(EqualRgn(before.Get(), after.Get()));

    // A window that refuses the region (it is gone): the region is not leaked.
    DestroyWindow(window);
    Region refused(CreateRectRgn(0, 0, 10, 10));
    const HRGN handle = refused.Get();
    EXPECT_FALSE(SetWindowShape(window, std::move(refused)));
    EXPECT_EQ(GetObjectType(handle), 0u) << "deleted";
}
