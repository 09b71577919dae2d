#pragma once
// An owner-drawn push button that shows one bitmap (no separate pressed,
// focused or disabled pictures), taken from a picture source at its scale.
// The parent forwards WM_DRAWITEM to it.
#include "framework/Gdi.h"
#include "framework/PictureSource.h"

class CBitmapButton {
public:
    // Binds the object to the dialog's control id, with the pictures'
    // source (which must outlive the button).
    void Attach(HWND dialog, int id, const PictureSource& pictures);
    HWND GetSafeHwnd() const { return window_; }
    int Id() const { return id_; }
    // Loads the picture, releasing the previous one; false when it cannot be
    // loaded (the button then keeps no picture).
    bool LoadBitmaps(UINT bitmapId);
    // Loads the picture again at the source's scale now.
    void ReloadPicture();
    // The picture's resource id (0 when it has none).
    UINT PictureId() const { return picture_ ? pictureId_ : 0; }
    // Resizes the button to its picture.
    void SizeToContent();
    // Repaints the button.
    void Invalidate();
    void Draw(const DRAWITEMSTRUCT& item);

private:
    HWND window_ = nullptr;
    int id_ = 0;
    const PictureSource* pictures_ = nullptr;
    Bitmap picture_;
    UINT pictureId_ = 0;
};
