#include "app/LumitraxDlg.h"
#include "controller/RegisterMap.h"
#include "res/resource.h"

// The level slider moved (dragged, released, keys) or the poll thread set it
// to a new keypad volume: push its value to the audio device or ask for it
// as the brightness.
LRESULT CLumitraxDlg::OnSliderMoved(WPARAM wParam, LPARAM) {
    if (wParam != IDC_LEVEL_SLIDER)
        return 1;
    const int value = levelSlider.GetValue();
    if (!showingBrightness) {
        SetAudioVolume(value);
        skipSliderEcho = 1;
    } else if (autoDimming && extendedRegisters) {
        // Moving the brightness by hand ends automatic dimming.
        std::lock_guard<std::recursive_mutex> lock(panelLock);
        autoDimming = 0;
        controller->WriteRegister(REG_SET_DIMMING, 0);
        controller->WriteRegister(REG_SET_BRIGHTNESS, value);
        UpdateTrayIndication();
    } else {
        requestedBrightness = value; // the poll thread writes it to the controller
    }
    return 1;
}
