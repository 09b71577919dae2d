#pragma once
// The panel at a display scale: its pictures from the set for that scale,
// its shape and size from the background at that scale, its controls at
// their places scaled to it, and the tray icon at the small-icon size of
// that scale. Runs on the panel's thread.
#include "controls/PanelControls.h"
#include "controls/PanelShape.h"
#include "display/PanelLayout.h"
#include "display/TrayIcon.h"
#include "shared/PanelState.h"

class PanelScale {
public:
    PanelScale(const PanelState& state, PanelControls& controls, PanelShape& shape,
               PanelLayout& layout, TrayIcon& tray)
        : state_(state), controls_(controls), shape_(shape), layout_(layout), tray_(tray) {}

    // Lays the panel out for dpi unless it has that scale; true when it did.
    // The new background re-centres the panel, as every shape change does.
    // That move can bring the panel onto a monitor of another scale, whose
    // WM_DPICHANGED comes while this runs: a change asked for meanwhile is
    // not carried out inside this one; once it is done, the panel follows
    // its window's scale as it is then.
    bool Apply(int dpi);
    // WM_DPICHANGED: the panel's window may stand on a monitor of another
    // scale. Laid out for the window's scale (the system's answer, never the
    // message's), the panel moves to the corner of the rectangle the system
    // suggests, when there is one (null for a posted message). A panel
    // already laid out for that scale (before a show on that monitor) keeps
    // its place. True when the panel was laid out anew.
    bool OnDpiChanged(const RECT* suggested);
    // The panel window's size at dpi (WM_GETDPISCALEDSIZE): its background's
    // at that scale.
    PixelSize SizeAt(int dpi) const;
    // The panel window's size.
    PixelSize Size() const;

private:
    void LayOut(int dpi);

    const PanelState& state_;
    PanelControls& controls_;
    PanelShape& shape_;
    PanelLayout& layout_;
    TrayIcon& tray_;
    bool applying_ = false;
    bool recheck_ = false;
};
