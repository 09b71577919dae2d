#pragma once
// The panel's controls, bound to the ids of its dialog template: the level
// slider, the owner-drawn bitmap buttons and the separators, with the
// artwork they draw at the panel's scale.
#include "controls/BitmapSlider.h"
#include "controls/PanelArtwork.h"
#include "framework/BitmapButton.h"

struct PanelControls {
    // Binds the controls to the dialog's windows, in the template's order of
    // data exchange, and hides the template's background picture.
    void Bind(HWND dialog);
    HWND Dialog() const { return dialog_; }
    // A control of the dialog by id (the separators).
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    // Draws the owner-drawn button the item names; false when it is none of ours.
    bool DrawItem(const DRAWITEMSTRUCT& item);
    // Loads a picture into the function button and repaints it.
    void SetFunctionButtonPicture(UINT bitmapId);
    // Gives every control its pictures again at the artwork's scale now,
    // the separators theirs (the template's are drawn for 100 %).
    void ReloadPictures();

    PanelArtwork artwork;
    CBitmapButton buzzerButton, lockButton;
    CBitmapSlider levelSlider;
    CBitmapButton dimmingButton, functionButton, switchButton;
    HWND levelMarker = nullptr;

private:
    void LoadSeparatorPictures();

    HWND dialog_ = nullptr;
    Bitmap separatorPicture_; // shown by every separator
};
