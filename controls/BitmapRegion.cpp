#include "controls/BitmapRegion.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "controls/RegionRuns.h"
#include "framework/ErrorReport.h"

Region CreateBitmapRegion(HDC dc, HBITMAP bitmap, COLORREF key) {
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof info, &info))
        return Region();
    const int width = info.bmWidth;
    const int height = info.bmHeight;

    // The bits as 32-bit 0x00RRGGBB values, top row first.
    BITMAPINFO format = TopDown32(width, height);
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &format,
                  DIB_RGB_COLORS) != height)
        return Region();
    const uint32_t keyPixel = (static_cast<uint32_t>(GetRValue(key)) << 16) |
                              (static_cast<uint32_t>(GetGValue(key)) << 8) | GetBValue(key);
    const std::vector<PixelRect> runs = OpaqueRuns(pixels.data(), width, height, keyPixel);

    // RGNDATA: the header, then the rectangles; RECT-sized slots keep both aligned.
    static_assert(sizeof(RGNDATAHEADER) % sizeof(RECT) == 0, "header fills whole slots");
    constexpr size_t headerSlots = sizeof(RGNDATAHEADER) / sizeof(RECT);
    std::vector<RECT> buffer(headerSlots + runs.size());
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    RECT bound{width, height, 0, 0};
    RECT* rects = buffer.data() + headerSlots;
    for (size_t i = 0; i < runs.size(); ++i) {
        const PixelRect& run = runs[i];
        rects[i] = RECT{run.left, run.top, run.right, run.bottom};
        bound.left = std::min<LONG>(bound.left, run.left);
        bound.top = std::min<LONG>(bound.top, run.top);
        bound.right = std::max<LONG>(bound.right, run.right);
        bound.bottom = std::max<LONG>(bound.bottom, run.bottom);
    }
    if (runs.empty())
        bound = RECT{0, 0, 0, 0};
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(runs.size());
    data->rdh.nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
    data->rdh.rcBound = bound;
    return Region(ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size() * sizeof(RECT)), data));
}

bool SetWindowShape(HWND window, Region region) {
    if (!region) {
        Trace("the panel's shape could not be made from its background; it keeps its shape");
        return false;
    }
    if (!SetWindowRgn(window, region.Get(), TRUE)) {
        Trace("the panel refused its shape; it keeps the one it had");
        return false; // still ours: deleted with region
    }
    region.Release(); // the window's now
    return true;
}
