#pragma once
// An off-screen drawing context for one paint: it stands in for a target
// context over a rectangle (in the target's logical coordinates), with the
// target's mapping and its window origin at the rectangle's corner, so that
// drawing at the rectangle's coordinates lands in an off-screen bitmap of the
// rectangle's size. It starts filled with the target's background colour and
// copies the finished picture to the target in one block transfer when it is
// destroyed. The target must outlive it.
#include "framework/Gdi.h"

class CMemDC : public CompatibleDC {
public:
    CMemDC(HDC target, const RECT& area);
    ~CMemDC();
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

private:
    Bitmap buffer_;               // the off-screen bitmap, compatible with the target
    HGDIOBJ oldBitmap_ = nullptr; // selected in the memory context before the buffer
    HDC target_;                  // receives the picture at destruction
    RECT area_;                   // the area covered, logical coordinates of the target
};
