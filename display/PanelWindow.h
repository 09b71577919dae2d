#pragma once
// What showing, hiding and fading the panel asks of its window and of the
// screen around it. The program's implementation drives the real panel
// window on its own thread; tests record the calls.
#include <cstdint>
#include <optional>

#include "display/TrayPlacement.h"

// The panel's timers, by id; each runs on the panel window's thread.
enum class PanelTimer : uint32_t { HideCheck = 1054, Fade = 1055, Reshow = 1056 };
// HIDE_CHECK_TIMER and RESHOW_TIMER run 1000 ms, FADE_TIMER 200 ms.
constexpr uint32_t PeriodMs(PanelTimer timer) {
    return timer == PanelTimer::Fade ? 200 : 1000;
}

class PanelWindow {
public:
    virtual ~PanelWindow() = default;
    // Sets (again) or kills one of the panel's timers.
    virtual void SetTimer(PanelTimer timer) = 0;
    virtual void KillTimer(PanelTimer timer) = 0;
    // The whole window's opacity, 255 opaque.
    virtual void SetOpacity(uint8_t alpha) = 0;
    // Moves the window's corner to origin, keeping its size, as a top-most
    // window, without redrawing; a minimized or maximized window is first
    // put back to its normal state.
    virtual void MoveTo(PixelPoint origin) = 0;
    // Shows the window and brings it to the foreground.
    virtual void ShowAndActivate() = 0;
    virtual void Hide() = 0;
    // The cursor and the window, in screen coordinates.
    virtual PixelPoint Cursor() = 0;
    virtual PixelRect WindowRect() = 0;
    // The tray icon's screen rectangle, when it can be found.
    virtual std::optional<PixelRect> TrayIconRect() = 0;
    // The work area of the monitor that holds nearby (the task bar's monitor
    // when there is nothing nearby), the task bar's edge and the monitor's scale.
    virtual WorkArea WorkAreaFor(const std::optional<PixelRect>& nearby) = 0;
    // Lays the panel out for the display scale dpi (pictures, shape and
    // controls) unless it has that scale; its new size when it did.
    virtual std::optional<PixelSize> LayOutFor(int dpi) = 0;
    // Sends the panel WM_PANEL_FADE, which is handled before this returns.
    virtual void SendPanelFade() = 0;
    // Holds the panel's thread.
    virtual void Pause(uint32_t ms) = 0;
    // The function button's picture for the arrangement on the screen and
    // the state now, and a repaint of the button.
    virtual void ShowFunctionPicture() = 0;
    virtual void RedrawFunctionButton() = 0;
};
