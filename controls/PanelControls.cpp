#include "controls/PanelControls.h"

#include "res/resource.h"

void PanelControls::Bind(HWND dialog) {
    dialog_ = dialog;
    levelSlider.Attach(dialog, IDC_LEVEL_SLIDER);
    functionButton.Attach(dialog, IDC_FUNCTION);
    dimmingButton.Attach(dialog, IDC_DIMMING);
    switchButton.Attach(dialog, IDC_SWITCH);
    levelMarker = GetDlgItem(dialog, IDC_LEVEL_MARKER);
    buzzerButton.Attach(dialog, IDC_BUZZER);
    lockButton.Attach(dialog, IDC_LOCK);
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
