#include "controls/BitmapSlider.h"

#include "shared/PanelMessages.h"

#include "controls/MemDC.h"
#include "framework/PaintContext.h"

namespace {
// The window property that leads from the control's window to its object.
constexpr const char* kSliderProperty = "CBitmapSlider";
// SetThumbBitmap's key: the colour of the thumb's top-left pixel.
constexpr COLORREF kTopLeftPixel = 0xFF000000;
} // namespace

CBitmapSlider::CBitmapSlider() = default;

CBitmapSlider::~CBitmapSlider() {
    Detach();
}

void CBitmapSlider::Attach(HWND dialog, int id, const PictureSource& pictures) {
    pictures_ = &pictures;
    window_ = GetDlgItem(dialog, id);
    if (!window_)
        return;
    SetPropA(window_, kSliderProperty, this);
    superProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
}

LRESULT CALLBACK CBitmapSlider::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    auto* self = static_cast<CBitmapSlider*>(GetPropA(window, kSliderProperty));
    // The window's destruction sends these on its own thread; one sent from
    // another thread (or process) is someone else's and is ignored: it would
    // free the pictures or detach this procedure while the control lives on.
    if ((message == WM_DESTROY || message == WM_NCDESTROY) &&
        InSendMessageEx(nullptr) != ISMEX_NOSEND)
        return 0;
    const LRESULT result = self->OnMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY)
        self->Detach(); // the window is gone
    return result;
}

void CBitmapSlider::Detach() {
    if (!window_)
        return;
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(superProc_));
    RemovePropA(window_, kSliderProperty);
    window_ = nullptr;
}

LRESULT CBitmapSlider::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(superProc_, window_, message, wParam, lParam);
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
        if (!dragging_)
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
        focused_ = false;
        Repaint();
        return result;
    }
    case WM_SETFOCUS: {
        const LRESULT result = Default(message, wParam, lParam);
        focused_ = true;
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

void CBitmapSlider::SetChannelBitmap(UINT bitmapId) {
    channelBitmap_.Reset();
    channelId_ = bitmapId;
    channelBitmap_ = pictures_->LoadPicture(bitmapId);
    if (!channelBitmap_)
        return;
    BITMAP info{};
    GetObjectA(channelBitmap_.Get(), sizeof info, &info);
    controlWidth_ = info.bmWidth;
    controlHeight_ = info.bmHeight;
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, controlWidth_, controlHeight_, SWP_NOREDRAW);
    GetClientRect(window_, &clientRect_);
    hasChannel_ = true;
}

void CBitmapSlider::SetThumbBitmap(UINT bitmapId) {
    thumbBitmap_.Reset();
    thumbId_ = bitmapId;
    thumbBitmap_ = pictures_->LoadPicture(bitmapId);
    if (!thumbBitmap_)
        return;
    MakeTransparencyMask(thumbBitmap_, thumbMask_, kTopLeftPixel);
    BITMAP info{};
    GetObjectA(thumbBitmap_.Get(), sizeof info, &info);
    thumbWidth_ = info.bmWidth;
    thumbHeight_ = info.bmHeight;
    if (!hasChannel_) {
        GetClientRect(window_, &clientRect_);
        controlHeight_ = clientRect_.bottom - clientRect_.top;
        controlWidth_ = clientRect_.right - clientRect_.left;
    }
    hasThumb_ = true;
}

void CBitmapSlider::ReloadPictures() {
    if (channelId_)
        SetChannelBitmap(channelId_);
    if (thumbId_)
        SetThumbBitmap(thumbId_);
    Repaint();
}

void CBitmapSlider::SetInsets(int left, int top, int right, int bottom) {
    insetLeft_ = left;
    insetTop_ = top;
    insetRight_ = right;
    insetBottom_ = bottom;
}

void CBitmapSlider::SetRange(int rangeMin, int rangeMax) {
    rangeMin_ = rangeMin;
    rangeMax_ = rangeMax;
}

void CBitmapSlider::SetShowFocusRect(BOOL show) {
    showFocusRect_ = show != FALSE;
}

void CBitmapSlider::SetValue(int value) {
    value_.store(ClampToRange(value, rangeMin_, rangeMax_), std::memory_order_relaxed);
    Repaint();
}

int CBitmapSlider::GetValue() const {
    return value_.load(std::memory_order_relaxed);
}

// --- Value and pixel ---

SliderMetrics CBitmapSlider::Metrics() const {
    return {controlWidth_, thumbWidth_, pictures_->Scale(insetLeft_), pictures_->Scale(insetRight_),
            rangeMin_,     rangeMax_};
}

int CBitmapSlider::ThumbTop() const {
    return pictures_->Scale(insetTop_);
}

int CBitmapSlider::ValueToPixel(int value) const {
    return ::ValueToPixel(Metrics(), value);
}

// --- Painting ---

void CBitmapSlider::OnPaint() {
    PaintContext paint(window_);
    CMemDC memDC(paint, clientRect_);
    CompatibleDC bitmapDC(memDC.Get());
    if (hasChannel_) {
        SelectionGuard select(bitmapDC, channelBitmap_.Get());
        BitBlt(memDC, 0, 0, controlWidth_, controlHeight_, bitmapDC, 0, 0, SRCCOPY);
    }
    if (hasThumb_) {
        SelectionGuard select(bitmapDC, thumbBitmap_.Get());
        DrawTransparent(memDC, ValueToPixel(GetValue()) - thumbWidth_ / 2, ThumbTop(), thumbWidth_,
                        thumbHeight_, bitmapDC, 0, 0, thumbMask_.Get());
    }
    if (showFocusRect_ && focused_)
        DrawFocusRect(memDC, &clientRect_);
}

void CBitmapSlider::Repaint() const {
    InvalidateRect(window_, nullptr, TRUE);
}

void CBitmapSlider::MakeTransparencyMask(Bitmap& source, Bitmap& mask, COLORREF key) {
    BITMAP info{};
    GetObjectA(source.Get(), sizeof info, &info);
    mask.Reset(CreateBitmap(info.bmWidth, info.bmHeight, 1, 1, nullptr));
    CompatibleDC sourceDC(nullptr);
    CompatibleDC maskDC(nullptr);
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
    CompatibleDC maskDC(nullptr);
    SelectionGuard select(maskDC, mask);
    // With the destination's text black and background white, mask bits 1
    // leave it unchanged and bits 0 cut a black hole...
    BitBlt(dest, x, y, w, h, maskDC, xSrc, ySrc, SRCAND);
    // ...which the image fills; its blackened key pixels change nothing.
    BitBlt(dest, x, y, w, h, image, xSrc, ySrc, SRCPAINT);
}

// --- Mouse ---

void CBitmapSlider::OnLButtonDown(POINT point) {
    SetCapture(window_);
    SetFocus(window_);
    dragging_ = true;
    grabOffset_ = GrabOffset(point.x, ValueToPixel(GetValue()), thumbWidth_);
    OnMouseMove(point);
    Repaint();
}

void CBitmapSlider::OnMouseMove(POINT point) {
    const std::optional<int> value = DragValue(Metrics(), GetValue(), grabOffset_, point.x);
    if (!value)
        return;
    value_.store(*value, std::memory_order_relaxed);
    Repaint();
    PostToParent(WM_SLIDER_MOVING);
}

void CBitmapSlider::OnLButtonUp() {
    ReleaseCapture();
    dragging_ = false;
    Repaint();
    PostToParent(WM_SLIDER_MOVED);
}

void CBitmapSlider::PostToParent(UINT message) const {
    PostMessageA(GetParent(window_), message, static_cast<WPARAM>(GetDlgCtrlID(window_)),
                 static_cast<LPARAM>(GetValue()));
}

// --- Keyboard ---

void CBitmapSlider::OnKeyDown(UINT key) {
    const std::optional<int> value = KeyValue(key, GetValue(), pageStep_, rangeMin_, rangeMax_);
    if (!value)
        return;
    SetValue(*value);
    PostToParent(WM_SLIDER_MOVED);
}

void CBitmapSlider::OnDestroy() {
    thumbBitmap_.Reset();
    thumbMask_.Reset();
    channelBitmap_.Reset();
}
