#include "framework/BitmapButton.h"

void CBitmapButton::Attach(HWND dialog, int id, const PictureSource& pictures) {
    window_ = GetDlgItem(dialog, id);
    id_ = id;
    pictures_ = &pictures;
}

bool CBitmapButton::LoadBitmaps(UINT bitmapId) {
    pictureId_ = bitmapId;
    // A button not attached yet has no pictures to load from: it takes the
    // picture when it is given its pictures again (ReloadPicture).
    picture_ = pictures_ ? pictures_->LoadPicture(bitmapId) : Bitmap();
    return static_cast<bool>(picture_);
}

void CBitmapButton::ReloadPicture() {
    if (pictureId_)
        LoadBitmaps(pictureId_);
}

void CBitmapButton::SizeToContent() {
    BITMAP info{};
    if (!picture_ || !GetObjectA(picture_.Get(), sizeof info, &info))
        return;
    SetWindowPos(window_, nullptr, 0, 0, info.bmWidth, info.bmHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CBitmapButton::Invalidate() {
    InvalidateRect(window_, nullptr, TRUE);
}

void CBitmapButton::Draw(const DRAWITEMSTRUCT& item) {
    if (!picture_)
        return;
    BITMAP info{};
    GetObjectA(picture_.Get(), sizeof info, &info);
    CompatibleDC source(item.hDC);
    SelectionGuard select(source, picture_.Get());
    BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, info.bmWidth, info.bmHeight, source, 0, 0,
           SRCCOPY);
}
