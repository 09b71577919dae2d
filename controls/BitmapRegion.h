#pragma once
// A window region cut from a bitmap: every pixel except those of the key
// colour (exact equality), one rectangle per run of other pixels per row.
// The bitmap's bits are read once and the region is made in one step.
#include "framework/Gdi.h"

// dc: a context compatible with the screen, used to read the bits. The
// bitmap must not be selected into any context. Region coordinates have the
// bitmap's top-left pixel at (0, 0).
Region CreateBitmapRegion(HDC dc, HBITMAP bitmap, COLORREF key);

// Gives window the shape region (the window then owns it). A region that
// could not be made leaves the window's shape as it was; a region the window
// refuses is deleted. Both are traced; false then.
bool SetWindowShape(HWND window, Region region);
