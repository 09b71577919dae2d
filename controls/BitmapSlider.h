#pragma once
// A horizontal slider drawn from a channel bitmap and a transparent thumb.
// It subclasses a static control of the dialog template and posts
// WM_SLIDER_MOVING while dragged and WM_SLIDER_MOVED on release and keys.
#include <atomic>

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

private:
    HWND m_hWnd = nullptr;
};
