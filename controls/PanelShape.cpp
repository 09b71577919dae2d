#include "controls/PanelShape.h"

#include "controls/ArtworkScale.h"
#include "controls/BitmapRegion.h"
#include "controls/PanelPlacement.h"
#include "framework/PaintContext.h"

namespace {
// The colour of the background's cut-out corners.
constexpr COLORREF kKeyColour =
    RGB(kBackgroundKey >> 16 & 0xFF, kBackgroundKey >> 8 & 0xFF, kBackgroundKey & 0xFF);
} // namespace

void PanelShape::OnSize(HWND window, unsigned functionCount) {
    // The bitmap held before is released once the new one is in place (the
    // panel's painting only ever uses the current one).
    backgroundBitmap_ = pictures_.LoadPicture(BackgroundBitmapId(functionCount));
    if (!backgroundBitmap_) {
        errors_.ShowError("Error loading bitmap");
        return;
    }
    GetObjectA(backgroundBitmap_.Get(), sizeof backgroundInfo_, &backgroundInfo_);
    const int width = backgroundInfo_.bmWidth;
    const int height = backgroundInfo_.bmHeight;

    {
        const ScreenDC screen;
        SetWindowShape(window, CreateBitmapRegion(screen, backgroundBitmap_.Get(), kKeyColour));
    }
    // Resizing may deliver a nested WM_SIZE, which repeats all of this and
    // finds the size already right.
    const PixelPoint origin =
        CentredOrigin(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), width, height);
    SetWindowPos(window, HWND_TOPMOST, origin.x, origin.y, width, height, SWP_NOREDRAW);
}

void PanelShape::Paint(HWND window) const {
    PaintContext paint(window);
    if (!backgroundBitmap_)
        return;
    CompatibleDC memory(nullptr);
    SelectionGuard select(memory, backgroundBitmap_.Get());
    BitBlt(paint, 0, 0, backgroundInfo_.bmWidth, backgroundInfo_.bmHeight, memory, 0, 0, SRCCOPY);
}
