#pragma once
// The panel's artwork at any display scale. The artwork is drawn in three
// sets, for 100, 150 and 200 % (96, 144 and 192 dots per inch); a scale in
// between uses the next larger set scaled down, a scale above 200 % the
// 200 % set scaled up. Every length of the 100 % artwork and layout scales
// by one rule, which the drawing tool uses as well, so that a picture placed
// at a scaled place has the scaled size it was drawn at.
#include <cstdint>

#include "controls/PixelRect.h"

// The dots per inch of 100 %.
constexpr int kDesignDpi = 96;
// The display scales the panel follows, 50 % to 500 %: a scale outside them
// (a broken or hostile answer) counts as the nearer end.
constexpr int kMinDpi = 48;
constexpr int kMaxDpi = 480;

// length × dpi / 96 rounded to the nearest pixel, halves up (lengths and
// places of the panel are never negative), with dpi held within kMinDpi to
// kMaxDpi: the one place where a display scale becomes a size.
int32_t ScaleLength(int32_t length, int dpi);
PixelSize ScaleSize(PixelSize size, int dpi);
// The corner and the size scaled each on its own, so that the scaled
// rectangle is exactly as large as a picture of the scaled size.
PixelRect ScaleRect(const PixelRect& rect, int dpi);

// The set a display scale uses: the dots per inch it was drawn for, and
// whether its pictures are scaled to the display's.
struct ArtworkChoice {
    int setDpi = kDesignDpi;
    bool resampled = false;
};
ArtworkChoice ChooseArtworkSet(int dpi);
// The resource id of bitmap id (an id of the 100 % set) in the set drawn
// for setDpi.
unsigned ArtworkSetId(unsigned id, int setDpi);

// How a bitmap tells its transparent pixels: not at all, by one colour
// (0xRRGGBB), or by the colour of its top-left pixel.
enum class KeyRule { None, Colour, TopLeftPixel };
struct ArtworkKey {
    KeyRule rule = KeyRule::None;
    uint32_t colour = 0;
};
// RGB(0, 128, 128): the panel backgrounds' cut-out corners.
constexpr uint32_t kBackgroundKey = 0x008080;
// The backgrounds' key is kBackgroundKey, the slider thumb's its top-left
// pixel; the other pictures are opaque.
ArtworkKey KeyOf(unsigned id);
