#include "display/TrayPlacement.h"

#include <algorithm>

namespace {
constexpr int32_t kGap = 5; // between the panel and the icon

// Keeps [start, start + length) inside [low, high); the low edge wins when
// the length does not fit at all.
int32_t Inside(int32_t start, int32_t length, int32_t low, int32_t high) {
    return std::max(low, std::min(start, high - length));
}
} // namespace

PixelPoint PlaceBesideIcon(const PixelRect& icon, PixelSize panel, const WorkArea& work) {
    const PixelRect& a = work.area;
    PixelPoint at;
    if (work.edge == TaskBarEdge::Left || work.edge == TaskBarEdge::Right) {
        at.x = work.edge == TaskBarEdge::Right ? icon.left - panel.width - kGap : icon.right + kGap;
        at.y = icon.top;
    } else {
        at.x = icon.left;
        const int32_t above = icon.top - panel.height - kGap;
        at.y = above >= a.top ? above : icon.bottom + kGap;
    }
    return {Inside(at.x, panel.width, a.left, a.right),
            Inside(at.y, panel.height, a.top, a.bottom)};
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

TaskBarEdge EdgeOfWorkArea(const PixelRect& monitor, const PixelRect& work) {
    if (work.top > monitor.top)
        return TaskBarEdge::Top;
    if (work.left > monitor.left)
        return TaskBarEdge::Left;
    if (work.right < monitor.right)
        return TaskBarEdge::Right;
    return TaskBarEdge::Bottom;
}
