#include "display/TrayPlacement.h"

#include <algorithm>

#include "controls/ArtworkScale.h"

namespace {
constexpr int32_t kGap = 5; // between the panel and the icon, at 100 %
constexpr int64_t kIconSideLimit = 256;

// Keeps [start, start + length) inside [low, high); the low edge wins when
// the length does not fit at all.
int32_t Inside(int32_t start, int32_t length, int32_t low, int32_t high) {
    return std::max(low, std::min(start, high - length));
}
} // namespace

PixelPoint PlaceBesideIcon(const PixelRect& icon, PixelSize panel, const WorkArea& work) {
    const PixelRect& a = work.area;
    const int32_t gap = ScaleLength(kGap, work.dpi);
    PixelPoint at;
    // Along the task bar the panel is kept inside the work area; across it,
    // it keeps its 5 pixels from the icon (the icon stands in the bar,
    // outside the work area, and the panel may reach over the bar's edge).
    if (work.edge == TaskBarEdge::Left || work.edge == TaskBarEdge::Right) {
        at.x = work.edge == TaskBarEdge::Right ? icon.left - panel.width - gap : icon.right + gap;
        at.y = Inside(icon.top, panel.height, a.top, a.bottom);
    } else {
        at.x = Inside(icon.left, panel.width, a.left, a.right);
        const int32_t above = icon.top - panel.height - gap;
        at.y = above >= a.top ? above : icon.bottom + gap;
    }
    return at;
}

PixelPoint PlaceInCorner(PixelSize panel, const WorkArea& work) {
    const PixelRect& a = work.area;
    const int32_t right = a.right - panel.width;
    const int32_t bottom = a.bottom - panel.height;
    switch (work.edge) {
    case TaskBarEdge::Top:
        return {right, a.top};
    case TaskBarEdge::Left:
        return {a.left, bottom};
    case TaskBarEdge::Right:
    case TaskBarEdge::Bottom:
        break;
    }
    return {right, bottom};
}

bool IsTrayIconRect(const PixelRect& icon, const PixelRect& screen) {
    // In 64 bits: the sides of any two 32-bit corners.
    const int64_t width = int64_t{icon.right} - icon.left;
    const int64_t height = int64_t{icon.bottom} - icon.top;
    return width > 0 && width < kIconSideLimit && height > 0 && height < kIconSideLimit &&
           icon.left >= screen.left && icon.top >= screen.top && icon.right <= screen.right &&
           icon.bottom <= screen.bottom;
}

TaskBarEdge EdgeOfWorkArea(const PixelRect& monitor, const PixelRect& work) {
    if (work.top > monitor.top)
        return TaskBarEdge::Top;
    if (work.left > monitor.left)
        return TaskBarEdge::Left;
    if (work.right < monitor.right)
        return TaskBarEdge::Right;
    return TaskBarEdge::Bottom;
}
