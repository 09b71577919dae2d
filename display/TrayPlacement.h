#pragma once
// Where the panel stands beside the tray icon: the arithmetic, for any task
// bar edge and any monitor, kept whole inside the work area of the monitor
// that holds the icon.
#include "controls/PanelPlacement.h"
#include "controls/PixelRect.h"

enum class TaskBarEdge { Left, Top, Right, Bottom };

// The part of the screen the panel may use: the work area of one monitor
// (the screen less the task bar), the edge the task bar stands on, and the
// monitor's display scale in dots per inch.
struct WorkArea {
    PixelRect area;
    TaskBarEdge edge = TaskBarEdge::Bottom;
    int dpi = 96;
};

// Beside the icon, 5 pixels away (at 100 %; scaled to the work area's scale): above it when the
// panel fits above, else below it (task bar at the bottom or top); left or right of it towards the
// screen's middle (task bar on the right or left). Along the task bar the
// panel stays inside the work area: left-aligned with the icon (top-aligned
// beside a vertical task bar), shifted in where it would pass the work
// area's edge. A task bar at the bottom of the primary monitor gives
// x = icon.left, or the screen width less the panel's width when that would
// pass the right edge, and y = icon.top - height - 5 (at 100 %).
PixelPoint PlaceBesideIcon(const PixelRect& icon, PixelSize panel, const WorkArea& work);
// The corner of the work area next to the task bar's notification area:
// bottom-right for a task bar at the bottom or right, top-right at the top,
// bottom-left at the left.
PixelPoint PlaceInCorner(PixelSize panel, const WorkArea& work);
// Whether a rectangle given for the tray icon can be one: icon-sized (each
// side longer than 0 and shorter than 256 pixels) and inside screen, the
// virtual screen around all monitors. Anything else (a failed or hostile
// answer, numbers that would overflow the placement) counts as no icon.
bool IsTrayIconRect(const PixelRect& icon, const PixelRect& screen);
// The task bar's edge from where a monitor's work area lies inside the
// monitor (the side where they differ); bottom when they do not.
TaskBarEdge EdgeOfWorkArea(const PixelRect& monitor, const PixelRect& work);
