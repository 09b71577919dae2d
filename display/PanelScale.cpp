#include "display/PanelScale.h"

#include "controls/PanelPlacement.h"
#include "framework/Dpi.h"

namespace {
// Rounds of one Apply: its own scale, then the window's after each change
// that came during the round before (a panel that keeps landing on other
// monitors stops following after these).
constexpr int kRounds = 4;
} // namespace

bool PanelScale::Apply(int dpi) {
    if (applying_) {
        recheck_ = true;
        return false;
    }
    applying_ = true;
    bool changed = false;
    for (int round = 0; round < kRounds; ++round) {
        if (dpi != controls_.artwork.Dpi()) {
            LayOut(dpi);
            changed = true;
        }
        if (!recheck_)
            break;
        recheck_ = false;
        dpi = WindowDpi(controls_.Dialog());
    }
    recheck_ = false;
    applying_ = false;
    return changed;
}

void PanelScale::LayOut(int dpi) {
    const HWND window = controls_.Dialog();
    controls_.artwork.SetDpi(dpi);
    shape_.OnSize(window, state_.functionCount);
    controls_.ReloadPictures();
    layout_.Rescale();
    tray_.SetIconScale(dpi);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool PanelScale::OnDpiChanged(const RECT* suggested) {
    if (!Apply(WindowDpi(controls_.Dialog())))
        return false;
    if (suggested)
        SetWindowPos(controls_.Dialog(), HWND_TOPMOST, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

PixelSize PanelScale::SizeAt(int dpi) const {
    return ScaleSize(PanelArtwork::DesignSize(BackgroundBitmapId(state_.functionCount)), dpi);
}

PixelSize PanelScale::Size() const {
    RECT r{};
    GetWindowRect(controls_.Dialog(), &r);
    return {r.right - r.left, r.bottom - r.top};
}
