// Times building the panel's window region from background bitmap 164: pixel
// by pixel (one GetPixel per pixel, one combination per run) against the
// program's way (the bits read once, the region made in one step). Prints
// both, their ratio, and whether the two regions are identical.
#include <chrono>
#include <cstdio>

#include "controls/BitmapRegion.h"
#include "res/resource.h"
#include "tests/win/region_by_pixel.h"

namespace {
constexpr COLORREF kKey = RGB(0, 128, 128);

// The best of several runs of build, in microseconds.
template <class Build> double BestMicroseconds(int runs, Build build) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        Region region = build();
        const auto end = std::chrono::steady_clock::now();
        const double us = std::chrono::duration<double, std::micro>(end - start).count();
        if (us < best)
            best = us;
    }
    return best;
}
} // namespace

int main() {
    Bitmap bitmap(LoadBitmapResource(IDB_BACKGROUND_3));
    if (!bitmap) {
        std::printf("bitmap %d cannot be loaded\n", IDB_BACKGROUND_3);
        return 1;
    }
    const HDC screen = GetDC(nullptr);
    const Region reference = RegionByPixel(screen, bitmap.Get(), kKey);
    const Region fast = CreateBitmapRegion(screen, bitmap.Get(), kKey);
    const bool identical = EqualRgn(reference.Get(), fast.Get()) != FALSE;

    const double perPixel =
        BestMicroseconds(5, [&] { return RegionByPixel(screen, bitmap.Get(), kKey); });
    const double bitsOnce =
        BestMicroseconds(50, [&] { return CreateBitmapRegion(screen, bitmap.Get(), kKey); });
    ReleaseDC(nullptr, screen);

    std::printf("region of bitmap %d (530 x 70), best of several runs:\n", IDB_BACKGROUND_3);
    std::printf("  per pixel (GetPixel, CombineRgn): %10.1f us\n", perPixel);
    std::printf("  bits read once (GetDIBits, ExtCreateRegion): %10.1f us\n", bitsOnce);
    std::printf("  ratio: %.1f times faster (target: at least 20)\n", perPixel / bitsOnce);
    std::printf("  regions identical: %s\n", identical ? "yes" : "NO");
    return identical ? 0 : 1;
}
