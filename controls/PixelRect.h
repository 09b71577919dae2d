#pragma once
// A rectangle of whole pixels (right and bottom exclusive), and a size, for
// the portable arithmetic of the panel's shape and layout.
#include <cstdint>
#include <ostream>

struct PixelSize {
    int32_t width = 0;
    int32_t height = 0;
};

struct PixelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    PixelSize Size() const { return {Width(), Height()}; }
    // The rectangle of the given size with its top-left corner at (x, y).
    static PixelRect At(int32_t x, int32_t y, PixelSize size) {
        return {x, y, x + size.width, y + size.height};
    }
    friend bool operator==(const PixelRect& a, const PixelRect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
    friend bool operator!=(const PixelRect& a, const PixelRect& b) { return !(a == b); }
    friend std::ostream& operator<<(std::ostream& out, const PixelRect& r) {
        return out << '(' << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ')';
    }
};
