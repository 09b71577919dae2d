#include "controls/ArtworkScale.h"

#include <algorithm>

#include "res/resource.h"

namespace {
// The drawn sets, by the dots per inch they were drawn for, smallest first.
constexpr int kSetDpis[] = {kDesignDpi, kDesignDpi * 3 / 2, kDesignDpi * 2};
constexpr int kSets = sizeof kSetDpis / sizeof kSetDpis[0];
} // namespace

int32_t ScaleLength(int32_t length, int dpi) {
    const int64_t held = std::clamp(dpi, kMinDpi, kMaxDpi);
    return static_cast<int32_t>((static_cast<int64_t>(length) * held + kDesignDpi / 2) /
                                kDesignDpi);
}

PixelSize ScaleSize(PixelSize size, int dpi) {
    return {ScaleLength(size.width, dpi), ScaleLength(size.height, dpi)};
}

PixelRect ScaleRect(const PixelRect& rect, int dpi) {
    return PixelRect::At(ScaleLength(rect.left, dpi), ScaleLength(rect.top, dpi),
                         ScaleSize(rect.Size(), dpi));
}

ArtworkChoice ChooseArtworkSet(int dpi) {
    for (int setDpi : kSetDpis) {
        if (setDpi >= dpi)
            return {setDpi, setDpi != dpi};
    }
    return {kSetDpis[kSets - 1], true};
}

unsigned ArtworkSetId(unsigned id, int setDpi) {
    for (int set = 0; set < kSets; ++set) {
        if (kSetDpis[set] == setDpi)
            return id + static_cast<unsigned>(set) * IDB_SET_STEP;
    }
    return id;
}

ArtworkKey KeyOf(unsigned id) {
    if (id >= IDB_BACKGROUND_0 && id <= IDB_BACKGROUND_3)
        return {KeyRule::Colour, kBackgroundKey};
    if (id == IDB_THUMB)
        return {KeyRule::TopLeftPixel, 0};
    return {};
}
