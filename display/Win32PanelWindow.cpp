#include "display/Win32PanelWindow.h"

#include "display/TrayIcon.h"
#include "display/TrayIconLocator.h"
#include "framework/Dpi.h"
#include "shared/PanelMessages.h"

namespace {
PixelRect ToPixelRect(const RECT& r) {
    return PixelRect{r.left, r.top, r.right, r.bottom};
}

TaskBarEdge EdgeOf(UINT edge) {
    switch (edge) {
    case ABE_LEFT:
        return TaskBarEdge::Left;
    case ABE_TOP:
        return TaskBarEdge::Top;
    case ABE_RIGHT:
        return TaskBarEdge::Right;
    default:
        return TaskBarEdge::Bottom;
    }
}
} // namespace

void Win32PanelWindow::SetTimer(PanelTimer timer) {
    ::SetTimer(Window(), static_cast<UINT_PTR>(timer), PeriodMs(timer), nullptr);
}

void Win32PanelWindow::KillTimer(PanelTimer timer) {
    ::KillTimer(Window(), static_cast<UINT_PTR>(timer));
}

void Win32PanelWindow::SetOpacity(uint8_t alpha) {
    SetLayeredWindowAttributes(Window(), 0, alpha, LWA_ALPHA);
}

void Win32PanelWindow::MoveTo(PixelPoint origin) {
    // Anyone may post the panel a system command that minimizes or maximizes
    // it (system commands go to default processing): it is put back to its
    // normal state before it is placed, so that it shows at its place and
    // size. That stays hidden unless the panel shows it (WM_WINDOWPOSCHANGING).
    if (IsIconic(Window()) || IsZoomed(Window()))
        ShowWindow(Window(), SW_RESTORE);
    // The panel's own size stays: a size change would make the shape
    // re-centre the window.
    SetWindowPos(Window(), HWND_TOPMOST, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOREDRAW);
}

void Win32PanelWindow::ShowAndActivate() {
    ShowWindow(Window(), SW_SHOW);
    SetForegroundWindow(Window());
}

void Win32PanelWindow::Hide() {
    ShowWindow(Window(), SW_HIDE);
}

PixelPoint Win32PanelWindow::Cursor() {
    POINT cursor{};
    GetCursorPos(&cursor);
    return {cursor.x, cursor.y};
}

PixelRect Win32PanelWindow::WindowRect() {
    RECT r{};
    GetWindowRect(Window(), &r);
    return ToPixelRect(r);
}

std::optional<PixelRect> Win32PanelWindow::TrayIconRect() {
    RECT icon{};
    if (!FindTrayIconRect(Window(), kTrayIconId, icon))
        return std::nullopt;
    return ToPixelRect(icon);
}

WorkArea Win32PanelWindow::WorkAreaFor(const std::optional<PixelRect>& nearby) {
    APPBARDATA taskBar{};
    taskBar.cbSize = sizeof taskBar;
    const bool barKnown = SHAppBarMessage(ABM_GETTASKBARPOS, &taskBar) != 0;
    HMONITOR monitor;
    if (nearby) {
        const RECT r{nearby->left, nearby->top, nearby->right, nearby->bottom};
        monitor = MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST);
    } else {
        monitor = barKnown ? MonitorFromRect(&taskBar.rc, MONITOR_DEFAULTTOPRIMARY)
                           : MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY);
    }
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info)) {
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        return {ToPixelRect(work), TaskBarEdge::Bottom, SystemDpi()};
    }
    WorkArea area{ToPixelRect(info.rcWork),
                  EdgeOfWorkArea(ToPixelRect(info.rcMonitor), ToPixelRect(info.rcWork)),
                  MonitorDpi(monitor)};
    // The task bar on this monitor says its edge itself (also when it hides
    // itself and leaves the work area whole).
    if (barKnown && MonitorFromRect(&taskBar.rc, MONITOR_DEFAULTTONULL) == monitor)
        area.edge = EdgeOf(taskBar.uEdge);
    return area;
}

std::optional<PixelSize> Win32PanelWindow::LayOutFor(int dpi) {
    if (!scale_.Apply(dpi))
        return std::nullopt;
    return scale_.Size();
}

void Win32PanelWindow::SendPanelFade() {
    SendMessageA(Window(), WM_PANEL_FADE, 0, 0);
}

void Win32PanelWindow::Pause(uint32_t ms) {
    Sleep(ms);
}

void Win32PanelWindow::ShowFunctionPicture() {
    layout_.ShowFunctionPicture();
}

void Win32PanelWindow::RedrawFunctionButton() {
    controls_.functionButton.Invalidate();
}
