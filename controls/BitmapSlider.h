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
    ~CBitmapSlider();
    CBitmapSlider(const CBitmapSlider&) = delete;
    CBitmapSlider& operator=(const CBitmapSlider&) = delete;

    // Subclasses the dialog's control id; its messages reach this object.
    void Attach(HWND dialog, int id);
    HWND GetSafeHwnd() const { return m_hWnd; }

    void SetChannelBitmap(UINT nID);
    void SetThumbBitmap(UINT nID);
    void SetInsets(int nLeft, int nTop, int nRight, int nBottom);
    void SetRange(int nMin, int nMax);
    void SetShowFocusRect(BOOL bShow);
    // Clamps, stores in one write and repaints; callable from any thread.
    void SetValue(int nValue);
    int GetValue() const;

    // Where the dialog template put the control (the parent's client
    // coordinates, taken by Attach), before SetChannelBitmap re-seated it at
    // the parent's origin.
    RECT GetTemplateRect() const { return m_rcTemplate; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

    void OnPaint();
    void OnLButtonDown(POINT point);
    // Moves the thumb while dragging (the caller checks m_bDragging).
    void OnMouseMove(POINT point);
    void OnLButtonUp();
    void OnKeyDown(UINT nChar);
    void OnDestroy();

    int ValueToPixel(int nValue) const;
    SliderMetrics Metrics() const;
    // Invalidates the whole client area (erasing, which draws nothing).
    void Repaint() const;
    void PostToParent(UINT message) const;

    // Builds a monochrome mask of source (bit 1 where source has the key
    // colour; key 0xFF000000 stands for the colour of the top-left pixel)
    // and blackens source's key pixels.
    static void MakeTransparencyMask(Bitmap& source, Bitmap& mask, COLORREF key);
    // Draws image through mask: mask bits 1 leave dest unchanged.
    static void DrawTransparent(HDC dest, int x, int y, int w, int h, HDC image, int xSrc,
                                int ySrc, HBITMAP mask);

    HWND m_hWnd = nullptr;
    WNDPROC m_pfnSuper = nullptr; // the static control's own window procedure
    RECT m_rcTemplate{};

    int m_nRangeMax = 100;
    int m_nRangeMin = 0;
    std::atomic<int> m_nValue{0}; // written by SetValue from any thread
    int m_nPageStep = 20;
    RECT m_rcClient{};
    int m_cxControl = 0;
    int m_cyControl = 0;
    int m_cxThumb = 0;
    int m_cyThumb = 0;
    int m_nInsetLeft = 0;
    int m_nInsetRight = 0;
    int m_nInsetTop = 0;
    int m_nInsetBottom = 0;
    int m_nGrabOffset = 0;
    BOOL m_bHasThumb = FALSE;
    BOOL m_bHasChannel = FALSE;
    BOOL m_bDragging = FALSE;
    BOOL m_bFocused = TRUE;
    BOOL m_bShowFocusRect = TRUE;
    Bitmap m_bmpChannel;
    Bitmap m_bmpThumb;
    Bitmap m_bmpThumbMask;
};
