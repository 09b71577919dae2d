#include "framework/Dpi.h"

#include "framework/ErrorReport.h"
#include "framework/LibraryLoading.h"

namespace {
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using SetDialogBehaviourFunction = BOOL(WINAPI*)(HWND, int, int);
constexpr int kEffectiveDpi = 0; // MDT_EFFECTIVE_DPI
// DDC_DISABLE_ALL: the dialog neither resized nor its controls laid out anew.
constexpr int kDialogKeepsAll = 0x1;
// DCDC_DISABLE_FONT_UPDATE | DCDC_DISABLE_RELAYOUT: a control keeps its
// font, size and place.
constexpr int kControlKeepsAll = 0x1 | 0x2;

// The monitor scale's library, loaded once from the system folder only
// (it exists from Windows 8.1 on; the flag needs Windows 8 or an update
// of 7, where the library is missing anyway).
GetDpiForMonitorFunction MonitorDpiFunction() {
    static const GetDpiForMonitorFunction function = [] {
        if (!GetModuleHandleA("shcore.dll"))
            LoadLibraryExA("shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return LoadedFunction<GetDpiForMonitorFunction>("shcore.dll", "GetDpiForMonitor");
    }();
    return function;
}

template <class Function> Function User32Function(const char* name) {
    return LoadedFunction<Function>("user32.dll", name);
}
} // namespace

int SystemDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int WindowDpi(HWND window) {
    static const auto function = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    const UINT dpi = function && window ? function(window) : 0;
    return dpi ? static_cast<int>(dpi) : SystemDpi();
}

int MonitorDpi(HMONITOR monitor) {
    UINT x = 0, y = 0;
    if (const GetDpiForMonitorFunction function = MonitorDpiFunction())
        if (monitor && function(monitor, kEffectiveDpi, &x, &y) == S_OK && x)
            return static_cast<int>(x);
    return SystemDpi();
}

int SmallIconSize(int dpi) {
    static const auto function =
        User32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
    const int size = function && dpi > 0 ? function(SM_CXSMICON, static_cast<UINT>(dpi)) : 0;
    return size > 0 ? size : MulDiv(GetSystemMetrics(SM_CXSMICON), dpi, SystemDpi());
}

void KeepDialogLayoutOnScaleChange(HWND dialog) {
    static const auto forDialog =
        User32Function<SetDialogBehaviourFunction>("SetDialogDpiChangeBehavior");
    static const auto forControl =
        User32Function<SetDialogBehaviourFunction>("SetDialogControlDpiChangeBehavior");
    bool kept = !forDialog || forDialog(dialog, kDialogKeepsAll, kDialogKeepsAll);
    if (forControl)
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            kept &= forControl(child, kControlKeepsAll, kControlKeepsAll) != FALSE;
    if (!kept)
        Trace("the dialog manager may lay the panel out anew when its scale changes");
}
