#pragma once
// The panel window's picture, shape and place: the background bitmap for
// the number of optional functions at the panel's scale, the window cut to
// the bitmap's non-key pixels, sized to it and centred on the screen, and the
// painting of it.
#include "framework/ErrorReport.h"
#include "framework/Gdi.h"
#include "framework/PictureSource.h"

class PanelShape {
public:
    // pictures: the panel's, which must outlive the shape.
    PanelShape(ErrorSink& errors, const PictureSource& pictures)
        : errors_(errors), pictures_(pictures) {}

    // WM_SIZE: loads the background for functionCount optional functions,
    // cuts the window to it, and sizes and centres the window on the screen
    // as a top-most window. A background that cannot be loaded is reported
    // and changes nothing else.
    void OnSize(HWND window, unsigned functionCount);
    // WM_PAINT: copies the background to the window's corner.
    void Paint(HWND window) const;

    HBITMAP Background() const { return backgroundBitmap_.Get(); }
    const BITMAP& BackgroundInfo() const { return backgroundInfo_; }

private:
    ErrorSink& errors_;
    const PictureSource& pictures_;
    Bitmap backgroundBitmap_;
    BITMAP backgroundInfo_{};
};
