#include "framework/Dpi.h"

namespace {
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int kEffectiveDpi = 0; // MDT_EFFECTIVE_DPI

template <class Function> Function Lookup(HMODULE module, const char* name) {
    return module
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}

// The monitor scale's library, loaded once from the system folder only
// (it exists from Windows 8.1 on; the flag needs Windows 8 or an update
// of 7, where the library is missing anyway).
GetDpiForMonitorFunction MonitorDpiFunction() {
    static const GetDpiForMonitorFunction function = [] {
        HMODULE shcore = GetModuleHandleA("shcore.dll");
        if (!shcore)
            shcore = LoadLibraryExA("shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return Lookup<GetDpiForMonitorFunction>(shcore, "GetDpiForMonitor");
    }();
    return function;
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
    static const auto function =
        Lookup<GetDpiForWindowFunction>(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
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
