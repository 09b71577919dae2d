#pragma once
// The panel at a display scale: its pictures from the set for that scale,
// its shape and size from the background at that scale, and its controls at
// their places scaled to it. Runs on the panel's thread.
#include "controls/PanelControls.h"
#include "controls/PanelShape.h"
#include "display/PanelLayout.h"
#include "shared/PanelState.h"

class PanelScale {
public:
    PanelScale(const PanelState& state, PanelControls& controls, PanelShape& shape,
               PanelLayout& layout)
        : state_(state), controls_(controls), shape_(shape), layout_(layout) {}

    // Lays the panel out for dpi unless it has that scale; true when it did.
    // The new background re-centres the panel, as every shape change does.
    bool Apply(int dpi);
    // WM_DPICHANGED: the panel now stands on a monitor of scale dpi; laid out
    // for it, it moves to the corner of the rectangle the system suggests.
    // Its size is its background's (the system's suggestion scales the old
    // size, which may round otherwise). A panel already laid out for dpi
    // (before a show on that monitor) keeps its place.
    void OnDpiChanged(int dpi, const RECT& suggested);
    // The panel window's size.
    PixelSize Size() const;

private:
    const PanelState& state_;
    PanelControls& controls_;
    PanelShape& shape_;
    PanelLayout& layout_;
};
