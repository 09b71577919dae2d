#pragma once
// Where the panel's picture comes from and where the panel stands when its
// shape is rebuilt: the background bitmap for the number of optional
// functions, centred on the screen with each half truncated on its own.
#include <cstdint>

struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// Background bitmap 161 to 164 for 0 to 3 optional functions (the caller
// keeps the count between 0 and 3).
unsigned BackgroundBitmapId(unsigned functionCount);
// (screenWidth / 2 − width / 2, screenHeight / 2 − height / 2).
PixelPoint CentredOrigin(int32_t screenWidth, int32_t screenHeight, int32_t width, int32_t height);
