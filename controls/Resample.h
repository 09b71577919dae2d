#pragma once
// Scales a picture smoothly: each new pixel is the average of the old
// pixels its area covers, weighted by how much of each it covers. With a
// key colour the transparent pixels stay out of the average: a new pixel
// is transparent (exactly the key) when at least half of what it covers
// is, else the average of the opaque pixels it covers, never the key. So
// no blend of the key colour with its neighbours appears at an edge. All
// arithmetic is in integers, so that the result is the same on every
// system (the drawing tool's reference pictures repeat it).
#include <cstdint>
#include <optional>
#include <vector>

#include "controls/PixelRect.h"

// The longest side either picture may have (the panel's largest picture at
// the largest scale it follows is 2650 pixels wide): within it no product
// of the arithmetic can overflow, also in 32 bits.
constexpr int32_t kMaxResampleSide = 8192;

// pixels: from.width × from.height values 0x00RRGGBB, top row first; the
// result has to.width × to.height of them (the top byte of each is 0).
// Empty when a side of from or to is below 1 or above kMaxResampleSide, or
// pixels does not hold from's pixels.
std::vector<uint32_t> Resample(const std::vector<uint32_t>& pixels, PixelSize from, PixelSize to,
                               std::optional<uint32_t> key);
