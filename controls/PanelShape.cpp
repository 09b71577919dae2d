// The panel window's shape, picture and place: every WM_SIZE loads the
// background bitmap for the number of optional functions, cuts the window to
// the bitmap's non-key pixels, and sizes and centres the window on the screen
// as a top-most window.
#include "app/LumitraxDlg.h"
#include "controls/BitmapRegion.h"
#include "controls/PaintContext.h"
#include "controls/PanelPlacement.h"
#include "framework/Messages.h"

namespace {
// The colour of the background's cut-out corners.
constexpr COLORREF kKeyColour = RGB(0, 128, 128);
} // namespace

void CLumitraxDlg::OnSize() {
    // The bitmap held before is released once the new one is in place (the
    // panel's painting only ever uses the current one).
    backgroundBitmap.Reset(LoadBitmapResource(BackgroundBitmapId(functionCount)));
    if (!backgroundBitmap) {
        ShowMessage(m_hWnd, "Error loading bitmap");
        return;
    }
    GetObjectA(backgroundBitmap.Get(), sizeof backgroundInfo, &backgroundInfo);
    const int width = backgroundInfo.bmWidth;
    const int height = backgroundInfo.bmHeight;

    PaintContext paint(m_hWnd);
    SetWindowRgn(m_hWnd, CreateBitmapRegion(paint, backgroundBitmap.Get(), kKeyColour).Release(),
                 TRUE);
    // Resizing may deliver a nested WM_SIZE, which repeats all of this and
    // finds the size already right.
    const PixelPoint origin =
        CentredOrigin(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), width, height);
    SetWindowPos(m_hWnd, HWND_TOPMOST, origin.x, origin.y, width, height, SWP_NOREDRAW);
}
