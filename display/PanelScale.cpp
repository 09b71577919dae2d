#include "display/PanelScale.h"

bool PanelScale::Apply(int dpi) {
    if (dpi == controls_.artwork.Dpi())
        return false;
    const HWND window = controls_.Dialog();
    controls_.artwork.SetDpi(dpi);
    shape_.OnSize(window, state_.functionCount);
    controls_.ReloadPictures();
    layout_.Rescale();
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return true;
}

void PanelScale::OnDpiChanged(int dpi, const RECT& suggested) {
    if (!Apply(dpi))
        return;
    SetWindowPos(controls_.Dialog(), HWND_TOPMOST, suggested.left, suggested.top, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE);
}

PixelSize PanelScale::Size() const {
    RECT r{};
    GetWindowRect(controls_.Dialog(), &r);
    return {r.right - r.left, r.bottom - r.top};
}
