#pragma once
// Where the bitmap controls take their pictures from: a picture by the
// resource id of its 100 % form, at the scale the source stands for, and
// that scale for the fixed measures drawn around a picture.
#include "framework/Gdi.h"

class PictureSource {
public:
    virtual ~PictureSource() = default;
    // The picture of resource id at the source's scale; empty when it
    // cannot be had.
    virtual Bitmap LoadPicture(UINT id) const = 0;
    // A length in pixels at 100 %, at the source's scale.
    virtual int Scale(int length) const = 0;
};
