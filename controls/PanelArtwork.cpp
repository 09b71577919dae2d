#include "controls/PanelArtwork.h"

#include <cstdlib>
#include <vector>

#include "controls/Resample.h"

Bitmap PanelArtwork::LoadPicture(UINT id) const {
    const ArtworkChoice choice = ChooseArtworkSet(dpi_);
    Bitmap drawn(LoadBitmapResource(ArtworkSetId(id, choice.setDpi)));
    if (!drawn || !choice.resampled)
        return drawn;
    // A 32-bit top-down section, as LoadBitmapResource makes them.
    DIBSECTION section{};
    if (GetObjectA(drawn.Get(), sizeof section, &section) != sizeof section ||
        !section.dsBm.bmBits || section.dsBm.bmBitsPixel != 32)
        return Bitmap();
    GdiFlush(); // the bits are read directly
    const PixelSize from{section.dsBm.bmWidth, section.dsBm.bmHeight};
    const auto* bits = static_cast<const uint32_t*>(section.dsBm.bmBits);
    const std::vector<uint32_t> pixels(bits, bits + static_cast<size_t>(from.width) *
                                                        static_cast<size_t>(from.height));
    const ArtworkKey key = KeyOf(id);
    std::optional<uint32_t> keyColour;
    if (key.rule == KeyRule::Colour)
        keyColour = key.colour;
    else if (key.rule == KeyRule::TopLeftPixel && !pixels.empty())
        keyColour = pixels[0] & 0xFFFFFFu;
    const PixelSize to = ScaleSize(DesignSize(id), dpi_);
    const std::vector<uint32_t> scaled = Resample(pixels, from, to, keyColour);
    if (scaled.empty())
        return Bitmap();
    return Bitmap(CreatePixelBitmap(to.width, to.height, scaled.data()));
}

PixelSize PanelArtwork::DesignSize(UINT id) {
    const BITMAPINFO* info = BitmapResourceInfo(id);
    if (!info)
        return {};
    return {info->bmiHeader.biWidth, std::abs(info->bmiHeader.biHeight)};
}
