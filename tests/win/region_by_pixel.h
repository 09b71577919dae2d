#pragma once
// The reference for the panel's window region: one GetPixel call per pixel
// and one region combination per run of non-key pixels in a row. The tests
// compare the program's region with it, and the benchmark times both.
#include "framework/Gdi.h"

inline Region RegionByPixel(HDC dc, HBITMAP bitmap, COLORREF key) {
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    CompatibleDC memory(dc);
    SelectionGuard select(memory, bitmap);
    Region region(CreateRectRgn(0, 0, 0, 0));
    for (int y = 0; y < info.bmHeight; ++y) {
        int x = 0;
        while (x < info.bmWidth) {
            while (x < info.bmWidth && GetPixel(memory, x, y) == key)
                ++x;
            const int start = x;
            while (x < info.bmWidth && GetPixel(memory, x, y) != key)
                ++x;
            if (x > start) {
                Region run(CreateRectRgn(start, y, x, y + 1));
                CombineRgn(region.Get(), region.Get(), run.Get(), RGN_OR);
            }
        }
    }
    return region;
}
