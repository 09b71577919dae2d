#pragma once
// The shape of a window cut from a picture: every run of consecutive pixels
// that differ from the key colour, row by row, becomes one rectangle of height
// one. A row of key pixels only adds nothing; a row without key pixels adds
// one rectangle as wide as the picture.
#include <cstdint>
#include <vector>

#include "controls/PixelRect.h"

// pixels: width × height values, row by row from the top, each compared with
// key on its low 24 bits for exact equality (the top byte is ignored).
std::vector<PixelRect> OpaqueRuns(const uint32_t* pixels, int width, int height, uint32_t key);
