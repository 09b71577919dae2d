#pragma once
// The panel's pictures at its display scale: each bitmap from the set drawn
// for that scale, or from the next larger set scaled smoothly to it, with
// its key colour kept exact (see controls/ArtworkScale.h).
#include "controls/ArtworkScale.h"
#include "framework/PictureSource.h"

class PanelArtwork : public PictureSource {
public:
    explicit PanelArtwork(int dpi = kDesignDpi) : dpi_(dpi) {}

    int Dpi() const { return dpi_; }
    // Later pictures are for dpi; those loaded before stay as they are.
    void SetDpi(int dpi) { dpi_ = dpi; }

    Bitmap LoadPicture(UINT id) const override;
    int Scale(int length) const override { return ScaleLength(length, dpi_); }
    // The size of picture id at 100 %, read from the resource without
    // loading the picture (0 × 0 when there is none).
    static PixelSize DesignSize(UINT id);

private:
    int dpi_;
};
