#pragma once
// The panel's two arrangements (volume and brightness) of its four level
// controls, the switch button that flips between them, and the one-time row
// of optional function buttons at the panel's left edge. Places are kept in
// pixels at 100 % and every control stands at its place scaled to the
// panel's scale. Runs on the panel's thread.
#include <cstdint>

#include "controls/PanelControls.h"
#include "display/ArrangeLevels.h"
#include "display/LayoutArithmetic.h"
#include "shared/PanelState.h"

class PanelLayout {
public:
    PanelLayout(PanelState& state, PanelControls& controls);

    // Asks for an arrangement and carries it out at once (start-up, the
    // switch button): sets showingBrightness.
    void ArrangePanel(Arrangement mode, const ArrangeLevels& levels);
    // Carries out an arrangement the poll thread asked for (it has set
    // showingBrightness) unless a newer one has been asked for since.
    void ArrangeRequested(Arrangement mode, const ArrangeLevels& levels, uint32_t request);
    // The switch button: the other arrangement than the one on the screen
    // now (which an arrangement the poll thread has asked for may not have
    // reached yet).
    void OnSwitchButton(const ArrangeLevels& levels);
    // Places the optional function buttons and their separators; gives the
    // width they take at 100 % (0 when there are none).
    int LayoutFunctionButtons();
    // Places the four level controls at their template places shifted right
    // by dx (at 100 %).
    void ShiftLevelControls(int dx);
    // Moves every control placed so far to its place at the panel's scale
    // now (after the scale changed).
    void Rescale();
    // The function button's picture for the arrangement on the screen and
    // the state as it is now.
    void ShowFunctionPicture();

    // The arrangement on the screen.
    Arrangement Shown() const { return shown_; }
    // The stored places at 100 %, in level-control order; nothing until recorded.
    std::optional<LevelRects> VolumeLayout() const;
    std::optional<LevelRects> BrightnessLayout() const;

private:
    // Arranges the panel for one level: slider channel and value, switch and
    // function button pictures, and the controls' places (the brightness
    // places are those of the first brightness request, the volume places
    // computed from them on the first volume request).
    void Apply(Arrangement mode, const ArrangeLevels& levels);
    // Moves a control to a place given at 100 %.
    void Place(HWND window, const PixelRect& place) const;

    PanelState& state_;
    PanelControls& controls_;
    Arrangement shown_ = Arrangement::Brightness;
    FunctionRow row_;     // the optional function buttons' places
    LevelRects placed_{}; // where the level controls stand
    LevelRects volumeLayout_{};
    LevelRects brightnessLayout_{};
    bool layoutInitVolume_ = false;
    bool layoutInitBrightness_ = false;
};
