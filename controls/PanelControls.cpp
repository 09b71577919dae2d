#include "controls/PanelControls.h"

#include <utility>

#include "res/resource.h"

void PanelControls::Bind(HWND dialog) {
    dialog_ = dialog;
    levelSlider.Attach(dialog, IDC_LEVEL_SLIDER, artwork);
    functionButton.Attach(dialog, IDC_FUNCTION, artwork);
    dimmingButton.Attach(dialog, IDC_DIMMING, artwork);
    switchButton.Attach(dialog, IDC_SWITCH, artwork);
    levelMarker = GetDlgItem(dialog, IDC_LEVEL_MARKER);
    buzzerButton.Attach(dialog, IDC_BUZZER, artwork);
    lockButton.Attach(dialog, IDC_LOCK, artwork);
    LoadSeparatorPictures();
    // The template's background picture (always the widest background) would
    // cover the panel's own painting, which draws the background that fits
    // the functions, and it paints over the buttons and the slider in no
    // fixed order. The panel's painting alone shows the background.
    ShowWindow(GetDlgItem(dialog, -1), SW_HIDE); // its only unnamed control (IDC_STATIC)
}

bool PanelControls::DrawItem(const DRAWITEMSTRUCT& item) {
    for (CBitmapButton* button :
         {&functionButton, &switchButton, &dimmingButton, &buzzerButton, &lockButton}) {
        if (button->Id() == static_cast<int>(item.CtlID)) {
            button->Draw(item);
            return true;
        }
    }
    return false;
}

void PanelControls::SetFunctionButtonPicture(UINT bitmapId) {
    functionButton.LoadBitmaps(bitmapId);
    functionButton.Invalidate();
}

void PanelControls::ReloadPictures() {
    levelSlider.ReloadPictures();
    for (CBitmapButton* button :
         {&functionButton, &switchButton, &dimmingButton, &buzzerButton, &lockButton}) {
        button->ReloadPicture();
        button->Invalidate();
    }
    LoadSeparatorPictures();
}

void PanelControls::LoadSeparatorPictures() {
    Bitmap picture = artwork.LoadPicture(IDB_SEPARATOR);
    if (!picture)
        return;
    for (int id :
         {IDC_LEVEL_MARKER, IDC_SEPARATOR_BUZZER, IDC_SEPARATOR_LOCK, IDC_SEPARATOR_DIMMING}) {
        const auto previous = reinterpret_cast<HBITMAP>(SendMessageA(
            Item(id), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture.Get())));
        // The template's own picture (or a copy the control made) is not
        // ours to keep; our previous one goes below.
        if (previous && previous != separatorPicture_.Get())
            DeleteObject(previous);
    }
    separatorPicture_ = std::move(picture);
}
