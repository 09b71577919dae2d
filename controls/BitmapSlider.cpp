#include "controls/BitmapSlider.h"

#include "app/PanelMessages.h"
#include "controls/MemDC.h"
#include "controls/PaintContext.h"

namespace {
// The window property that leads from the control's window to its object.
constexpr const char* kSliderProperty = "CBitmapSlider";
// SetThumbBitmap's key: the colour of the thumb's top-left pixel.
constexpr COLORREF kTopLeftPixel = 0xFF000000;
} // namespace

CBitmapSlider::CBitmapSlider() = default;

CBitmapSlider::~CBitmapSlider() = default;

void CBitmapSlider::Attach(HWND dialog, int id) {
    m_hWnd = GetDlgItem(dialog, id);
    if (!m_hWnd)
        return;
    GetWindowRect(m_hWnd, &m_rcTemplate);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&m_rcTemplate), 2);
    SetPropA(m_hWnd, kSliderProperty, this);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
}

LRESULT CALLBACK CBitmapSlider::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    auto* self = static_cast<CBitmapSlider*>(GetPropA(window, kSliderProperty));
    const LRESULT result = self->OnMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window is gone: give it back its own procedure and forget it.
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->m_pfnSuper));
        RemovePropA(window, kSliderProperty);
        self->m_hWnd = nullptr;
    }
    return result;
}

LRESULT CBitmapSlider::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
}

LRESULT CBitmapSlider::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (message) {
    case WM_ERASEBKGND:
        return TRUE; // everything is drawn in OnPaint
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(point);
        break;
    case WM_MOUSEMOVE:
        if (!m_bDragging)
            return 0;
        OnMouseMove(point);
        break;
    case WM_LBUTTONUP:
        OnLButtonUp();
        break;
    case WM_GETDLGCODE:
        // With Tab held the dialog moves the focus on; otherwise the arrow
        // and paging keys come here.
        if (GetKeyState(VK_TAB) < 0)
            break;
        return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        OnKeyDown(static_cast<UINT>(wParam));
        break;
    case WM_KILLFOCUS: {
        const LRESULT result = Default(message, wParam, lParam);
        m_bFocused = FALSE;
        Repaint();
        return result;
    }
    case WM_SETFOCUS: {
        const LRESULT result = Default(message, wParam, lParam);
        m_bFocused = TRUE;
        Repaint();
        return result;
    }
    case WM_DESTROY: {
        const LRESULT result = Default(message, wParam, lParam);
        OnDestroy();
        return result;
    }
    }
    return Default(message, wParam, lParam);
}

// --- Set-up ---

void CBitmapSlider::SetChannelBitmap(UINT nID) {
    m_bmpChannel.Reset();
    m_bmpChannel.Reset(LoadBitmapResource(nID));
    if (!m_bmpChannel)
        return;
    BITMAP info{};
    GetObjectA(m_bmpChannel.Get(), sizeof info, &info);
    m_cxControl = info.bmWidth;
    m_cyControl = info.bmHeight;
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, m_cxControl, m_cyControl, SWP_NOREDRAW);
    GetClientRect(m_hWnd, &m_rcClient);
    m_bHasChannel = TRUE;
}

void CBitmapSlider::SetThumbBitmap(UINT nID) {
    m_bmpThumb.Reset();
    m_bmpThumb.Reset(LoadBitmapResource(nID));
    if (!m_bmpThumb)
        return;
    MakeTransparencyMask(m_bmpThumb, m_bmpThumbMask, kTopLeftPixel);
    BITMAP info{};
    GetObjectA(m_bmpThumb.Get(), sizeof info, &info);
    m_cxThumb = info.bmWidth;
    m_cyThumb = info.bmHeight;
    if (!m_bHasChannel) {
        GetClientRect(m_hWnd, &m_rcClient);
        m_cyControl = m_rcClient.bottom - m_rcClient.top;
        m_cxControl = m_rcClient.right - m_rcClient.left;
    }
    m_bHasThumb = TRUE;
}

void CBitmapSlider::SetInsets(int nLeft, int nTop, int nRight, int nBottom) {
    m_nInsetLeft = nLeft;
    m_nInsetTop = nTop;
    m_nInsetRight = nRight;
    m_nInsetBottom = nBottom;
}

void CBitmapSlider::SetRange(int nMin, int nMax) {
    m_nRangeMin = nMin;
    m_nRangeMax = nMax;
}

void CBitmapSlider::SetShowFocusRect(BOOL bShow) {
    m_bShowFocusRect = bShow;
}

void CBitmapSlider::SetValue(int nValue) {
    m_nValue.store(ClampToRange(nValue, m_nRangeMin, m_nRangeMax), std::memory_order_relaxed);
    Repaint();
}

int CBitmapSlider::GetValue() const {
    return m_nValue.load(std::memory_order_relaxed);
}

// --- Value and pixel ---

SliderMetrics CBitmapSlider::Metrics() const {
    return {m_cxControl, m_cxThumb, m_nInsetLeft, m_nInsetRight, m_nRangeMin, m_nRangeMax};
}

int CBitmapSlider::ValueToPixel(int nValue) const {
    return ::ValueToPixel(Metrics(), nValue);
}

// --- Painting ---

void CBitmapSlider::OnPaint() {
    PaintContext paint(m_hWnd);
    CMemDC memDC(paint, m_rcClient);
    MemoryDC bitmapDC(memDC.Get());
    if (m_bHasChannel) {
        SelectionGuard select(bitmapDC, m_bmpChannel.Get());
        BitBlt(memDC, 0, 0, m_cxControl, m_cyControl, bitmapDC, 0, 0, SRCCOPY);
    }
    if (m_bHasThumb) {
        SelectionGuard select(bitmapDC, m_bmpThumb.Get());
        DrawTransparent(memDC, ValueToPixel(GetValue()) - m_cxThumb / 2, m_nInsetTop, m_cxThumb,
                        m_cyThumb, bitmapDC, 0, 0, m_bmpThumbMask.Get());
    }
    if (m_bShowFocusRect && m_bFocused)
        DrawFocusRect(memDC, &m_rcClient);
}

void CBitmapSlider::Repaint() const {
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CBitmapSlider::MakeTransparencyMask(Bitmap& source, Bitmap& mask, COLORREF key) {
    BITMAP info{};
    GetObjectA(source.Get(), sizeof info, &info);
    mask.Reset(CreateBitmap(info.bmWidth, info.bmHeight, 1, 1, nullptr));
    MemoryDC sourceDC(nullptr);
    MemoryDC maskDC(nullptr);
    SelectionGuard selectSource(sourceDC, source.Get());
    SelectionGuard selectMask(maskDC, mask.Get());
    if (key == kTopLeftPixel)
        key = GetPixel(sourceDC, 0, 0);
    // Colour to monochrome: bit 1 exactly where the source has the key colour.
    const COLORREF oldBack = SetBkColor(sourceDC, key);
    BitBlt(maskDC, 0, 0, info.bmWidth, info.bmHeight, sourceDC, 0, 0, SRCCOPY);
    // Monochrome to colour: bits 1 become black and 0 white, so the AND
    // blackens the key pixels and keeps every other one.
    const COLORREF oldText = SetTextColor(sourceDC, RGB(255, 255, 255));
    SetBkColor(sourceDC, RGB(0, 0, 0));
    BitBlt(sourceDC, 0, 0, info.bmWidth, info.bmHeight, maskDC, 0, 0, SRCAND);
    SetTextColor(sourceDC, oldText);
    SetBkColor(sourceDC, oldBack);
}

void CBitmapSlider::DrawTransparent(HDC dest, int x, int y, int w, int h, HDC image, int xSrc,
                                    int ySrc, HBITMAP mask) {
    MemoryDC maskDC(nullptr);
    SelectionGuard select(maskDC, mask);
    // With the destination's text black and background white, mask bits 1
    // leave it unchanged and bits 0 cut a black hole...
    BitBlt(dest, x, y, w, h, maskDC, xSrc, ySrc, SRCAND);
    // ...which the image fills; its blackened key pixels change nothing.
    BitBlt(dest, x, y, w, h, image, xSrc, ySrc, SRCPAINT);
}

// --- Mouse ---

void CBitmapSlider::OnLButtonDown(POINT point) {
    SetCapture(m_hWnd);
    SetFocus(m_hWnd);
    m_bDragging = TRUE;
    m_nGrabOffset = GrabOffset(point.x, ValueToPixel(GetValue()), m_cxThumb);
    OnMouseMove(point);
    Repaint();
}

void CBitmapSlider::OnMouseMove(POINT point) {
    const std::optional<int> value = DragValue(Metrics(), GetValue(), m_nGrabOffset, point.x);
    if (!value)
        return;
    m_nValue.store(*value, std::memory_order_relaxed);
    Repaint();
    PostToParent(WM_SLIDER_MOVING);
}

void CBitmapSlider::OnLButtonUp() {
    ReleaseCapture();
    m_bDragging = FALSE;
    Repaint();
    PostToParent(WM_SLIDER_MOVED);
}

void CBitmapSlider::PostToParent(UINT message) const {
    PostMessageA(GetParent(m_hWnd), message, static_cast<WPARAM>(GetDlgCtrlID(m_hWnd)),
                 static_cast<LPARAM>(GetValue()));
}

// --- Keyboard ---

void CBitmapSlider::OnKeyDown(UINT nChar) {
    const std::optional<int> value =
        KeyValue(nChar, GetValue(), m_nPageStep, m_nRangeMin, m_nRangeMax);
    if (!value)
        return;
    SetValue(*value);
    PostToParent(WM_SLIDER_MOVED);
}

void CBitmapSlider::OnDestroy() {
    m_bmpThumb.Reset();
    m_bmpThumbMask.Reset();
    m_bmpChannel.Reset();
}
