#pragma once
// A horizontal slider drawn from a channel bitmap and a transparent thumb.
// It subclasses a static control of the dialog template and posts
// WM_SLIDER_MOVING while dragged and WM_SLIDER_MOVED on release and keys.
// Its pictures come from a picture source at the source's scale; its insets
// are given for 100 % and follow that scale.
#include <atomic>

#include "controls/SliderMath.h"
#include "framework/Gdi.h"
#include "framework/PictureSource.h"

class CBitmapSlider {
public:
    CBitmapSlider();
    // Gives a window that outlives the object its own procedure back.
    ~CBitmapSlider();
    CBitmapSlider(const CBitmapSlider&) = delete;
    CBitmapSlider& operator=(const CBitmapSlider&) = delete;

    // Subclasses the dialog's control id; its messages reach this object.
    // Its pictures come from pictures, which must outlive it.
    void Attach(HWND dialog, int id, const PictureSource& pictures);
    HWND GetSafeHwnd() const { return window_; }

    void SetChannelBitmap(UINT bitmapId);
    void SetThumbBitmap(UINT bitmapId);
    // The channel's resource id (0 before one is set).
    UINT ChannelId() const { return channelId_; }
    // Loads channel and thumb again at the source's scale now (the channel
    // re-seats the control at the parent's corner, as SetChannelBitmap does).
    void ReloadPictures();
    void SetInsets(int left, int top, int right, int bottom);
    void SetRange(int rangeMin, int rangeMax);
    void SetShowFocusRect(BOOL show);
    // Clamps, stores in one write and repaints; callable from any thread.
    void SetValue(int value);
    int GetValue() const;
    // The x of the thumb's centre for value, and its top edge, in the
    // control at its scale.
    int ValueToPixel(int value) const;
    int ThumbTop() const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Gives the window its own procedure back and forgets it.
    void Detach();
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

    void OnPaint();
    void OnLButtonDown(POINT point);
    // Moves the thumb while dragging (the caller checks dragging_).
    void OnMouseMove(POINT point);
    void OnLButtonUp();
    void OnKeyDown(UINT key);
    void OnDestroy();

    SliderMetrics Metrics() const;
    // Invalidates the whole client area (erasing, which draws nothing).
    void Repaint() const;
    void PostToParent(UINT message) const;

    // Builds a monochrome mask of source (bit 1 where source has the key
    // colour; key 0xFF000000 stands for the colour of the top-left pixel)
    // and blackens source's key pixels.
    static void MakeTransparencyMask(Bitmap& source, Bitmap& mask, COLORREF key);
    // Draws image through mask: mask bits 1 leave dest unchanged.
    static void DrawTransparent(HDC dest, int x, int y, int w, int h, HDC image, int xSrc, int ySrc,
                                HBITMAP mask);

    HWND window_ = nullptr;
    WNDPROC superProc_ = nullptr; // the static control's own window procedure
    const PictureSource* pictures_ = nullptr;
    UINT channelId_ = 0;
    UINT thumbId_ = 0;

    int rangeMax_ = 100;
    int rangeMin_ = 0;
    std::atomic<int> value_{0}; // written by SetValue from any thread
    int pageStep_ = 20;
    RECT clientRect_{};
    int controlWidth_ = 0;
    int controlHeight_ = 0;
    int thumbWidth_ = 0;
    int thumbHeight_ = 0;
    // At 100 %.
    int insetLeft_ = 0;
    int insetRight_ = 0;
    int insetTop_ = 0;
    int insetBottom_ = 0;
    int grabOffset_ = 0;
    bool hasThumb_ = false;
    bool hasChannel_ = false;
    bool dragging_ = false;
    bool focused_ = true;
    bool showFocusRect_ = true;
    Bitmap channelBitmap_;
    Bitmap thumbBitmap_;
    Bitmap thumbMask_;
};
