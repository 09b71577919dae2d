#pragma once
// A horizontal slider drawn from a channel bitmap and a transparent thumb.
// It subclasses a static control of the dialog template and posts
// WM_SLIDER_MOVING while dragged and WM_SLIDER_MOVED on release and keys.
#include <atomic>

#include "controls/SliderMath.h"
#include "framework/Gdi.h"

class CBitmapSlider {
public:
    CBitmapSlider();
    // Gives a window that outlives the object its own procedure back.
    ~CBitmapSlider();
    CBitmapSlider(const CBitmapSlider&) = delete;
    CBitmapSlider& operator=(const CBitmapSlider&) = delete;

    // Subclasses the dialog's control id; its messages reach this object.
    void Attach(HWND dialog, int id);
    HWND GetSafeHwnd() const { return window_; }

    void SetChannelBitmap(UINT bitmapId);
    void SetThumbBitmap(UINT bitmapId);
    void SetInsets(int left, int top, int right, int bottom);
    void SetRange(int rangeMin, int rangeMax);
    void SetShowFocusRect(BOOL show);
    // Clamps, stores in one write and repaints; callable from any thread.
    void SetValue(int value);
    int GetValue() const;

    // Where the dialog template put the control (the parent's client
    // coordinates, taken by Attach), before SetChannelBitmap re-seated it at
    // the parent's origin.
    RECT GetTemplateRect() const { return templateRect_; }

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

    int ValueToPixel(int value) const;
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
    RECT templateRect_{};

    int rangeMax_ = 100;
    int rangeMin_ = 0;
    std::atomic<int> value_{0}; // written by SetValue from any thread
    int pageStep_ = 20;
    RECT clientRect_{};
    int controlWidth_ = 0;
    int controlHeight_ = 0;
    int thumbWidth_ = 0;
    int thumbHeight_ = 0;
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
