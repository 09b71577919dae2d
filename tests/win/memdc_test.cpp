#include <gtest/gtest.h>

#include <cstdint>

#include "controls/MemDC.h"

namespace {
constexpr COLORREF kTargetColour = RGB(0, 0, 255);
constexpr COLORREF kTargetBack = RGB(10, 200, 30);
constexpr COLORREF kDrawn = RGB(255, 0, 0);

// A 32-bit target picture whose pixels can be read directly.
struct Target {
    CompatibleDC dc{nullptr};
    Bitmap bitmap;
    uint32_t* bits = nullptr;
    HGDIOBJ previous = nullptr;
    static constexpr int kWidth = 240, kHeight = 120;

    Target() {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* pixels = nullptr;
        bitmap.Reset(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
        bits = static_cast<uint32_t*>(pixels);
        previous = SelectObject(dc, bitmap.Get());
        for (int i = 0; i < kWidth * kHeight; ++i)
            bits[i] = 0x0000FF; // kTargetColour as 0x00RRGGBB
        SetBkColor(dc, kTargetBack);
    }
    ~Target() { SelectObject(dc, previous); }
    // The colour at device pixel (x, y) of the target.
    COLORREF At(int x, int y) const {
        GdiFlush();
        const uint32_t p = bits[y * kWidth + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
};

bool Inside(const RECT& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}
} // namespace

TEST(MemDC, CopiesExactlyTheRectangleItCoversOnceAtDestruction) {
    const struct {
        const char* what;
        RECT area;
        POINT viewportOrigin; // of the target: where logical (0, 0) lands
    } cases[] = {
        {"slider-sized at the origin", {0, 0, 182, 62}, {0, 0}},
        {"off the origin", {10, 20, 110, 70}, {0, 0}},
        {"target with a moved viewport origin", {10, 20, 110, 70}, {5, 7}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Target target;
        SetViewportOrgEx(target.dc, c.viewportOrigin.x, c.viewportOrigin.y, nullptr);
        const int width = c.area.right - c.area.left;
        const int height = c.area.bottom - c.area.top;
        {
            CMemDC memDC(target.dc, c.area);
            BITMAP buffer{};
            GetObjectA(GetCurrentObject(memDC, OBJ_BITMAP), sizeof buffer, &buffer);
            EXPECT_EQ(buffer.bmWidth, width);
            EXPECT_EQ(buffer.bmHeight, height);
            // Drawing at the rectangle's corner lands at the buffer's origin,
            // and the rectangle's far corner at the buffer's far corner.
            SetPixel(memDC, c.area.left, c.area.top, kDrawn);
            SetPixel(memDC, c.area.right - 1, c.area.bottom - 1, kDrawn);
            EXPECT_EQ(GetPixel(memDC, c.area.left + 1, c.area.top), kTargetBack) << "filled";
            EXPECT_EQ(target.At(c.viewportOrigin.x + c.area.left, c.viewportOrigin.y + c.area.top),
                      kTargetColour)
                << "nothing reaches the target before destruction";
        }
        const RECT device{c.area.left + c.viewportOrigin.x, c.area.top + c.viewportOrigin.y,
                          c.area.right + c.viewportOrigin.x, c.area.bottom + c.viewportOrigin.y};
        int wrong = 0;
        for (int y = 0; y < Target::kHeight; ++y) {
            for (int x = 0; x < Target::kWidth; ++x) {
                COLORREF expected = kTargetColour;
                if ((x == device.left && y == device.top) ||
                    (x == device.right - 1 && y == device.bottom - 1))
                    expected = kDrawn;
                else if (Inside(device, x, y))
                    expected = kTargetBack;
                if (target.At(x, y) != expected && ++wrong <= 5)
                    ADD_FAILURE() << "pixel " << x << ", " << y << " is " << std::hex
                                  << target.At(x, y) << " not " << expected;
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(MemDC, WorksInTheTargetsScaledMapping) {
    // Two logical units to a pixel: the logical area (20, 40)-(220, 140)
    // covers the pixels (10, 20)-(110, 70).
    Target target;
    SetMapMode(target.dc, MM_ANISOTROPIC);
    SetWindowExtEx(target.dc, 2, 2, nullptr);
    SetViewportExtEx(target.dc, 1, 1, nullptr);
    const RECT area{20, 40, 220, 140};
    const RECT device{10, 20, 110, 70};
    {
        CMemDC memDC(target.dc, area);
        BITMAP buffer{};
        GetObjectA(GetCurrentObject(memDC, OBJ_BITMAP), sizeof buffer, &buffer);
        EXPECT_EQ(buffer.bmWidth, 100) << "one buffer pixel per target pixel";
        EXPECT_EQ(buffer.bmHeight, 50);
        EXPECT_EQ(GetMapMode(memDC), MM_ANISOTROPIC);
        SetPixel(memDC, area.left, area.top, kDrawn);
    }
    int wrong = 0;
    for (int y = 0; y < Target::kHeight; ++y) {
        for (int x = 0; x < Target::kWidth; ++x) {
            COLORREF expected = kTargetColour;
            if (x == device.left && y == device.top)
                expected = kDrawn;
            else if (Inside(device, x, y))
                expected = kTargetBack;
            if (target.At(x, y) != expected && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << x << ", " << y << " is " << std::hex << target.At(x, y)
                              << " not " << expected;
        }
    }
    EXPECT_EQ(wrong, 0);
}
