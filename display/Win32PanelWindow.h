#pragma once
// The panel window as showing, hiding and fading drive it: the real dialog
// window, its timers, the tray icon's place and the screen's work areas.
#include "controls/PanelControls.h"
#include "display/PanelLayout.h"
#include "display/PanelScale.h"
#include "display/PanelWindow.h"

class Win32PanelWindow : public PanelWindow {
public:
    Win32PanelWindow(PanelControls& controls, PanelScale& scale, PanelLayout& layout)
        : controls_(controls), scale_(scale), layout_(layout) {}

    void SetTimer(PanelTimer timer) override;
    void KillTimer(PanelTimer timer) override;
    void SetOpacity(uint8_t alpha) override;
    void MoveTo(PixelPoint origin) override;
    void ShowAndActivate() override;
    void Hide() override;
    PixelPoint Cursor() override;
    PixelRect WindowRect() override;
    std::optional<PixelRect> TrayIconRect() override;
    WorkArea WorkAreaFor(const std::optional<PixelRect>& nearby) override;
    std::optional<PixelSize> LayOutFor(int dpi) override;
    void SendPanelFade() override;
    void Pause(uint32_t ms) override;
    void ShowFunctionPicture() override;
    void RedrawFunctionButton() override;

private:
    HWND Window() const { return controls_.Dialog(); }
    PanelControls& controls_;
    PanelScale& scale_;
    PanelLayout& layout_;
};
