#include "commands/PanelHook.h"

#include <string>

#include "framework/ForeignCall.h"
#include "framework/LibraryLoading.h"

std::optional<HookLibrary> HookLibrary::Bind(HMODULE module, std::string& missing) {
    HookLibrary library;
    if (!BindFunctions(module,
                       {{&library.setHook, "SetHook"},
                        {&library.unsetHook, "UnsetHook"},
                        {&library.isHookSet, "IsHookSet"}},
                       missing))
        return std::nullopt;
    return library;
}

BOOLEAN HookLibrary::SetHook(HWND window, const RECT* rect) const {
    return CallForeign<BOOLEAN>(setHook, window, rect);
}

BOOLEAN HookLibrary::UnsetHook() const {
    return CallForeign<BOOLEAN>(unsetHook);
}

BOOLEAN HookLibrary::IsHookSet() const {
    return CallForeign<BOOLEAN>(isHookSet);
}

bool PanelHook::SetPanelHook(const HookRect& rect) {
    if (library_.IsHookSet())
        return true; // the hook set first keeps its rectangle
    const RECT copy{rect.left, rect.top, rect.right, rect.bottom};
    if (library_.SetHook(window_, &copy))
        return true;
    errors_.ShowError("setHookFunc error " + std::to_string(GetLastError()));
    return false;
}

bool PanelHook::RemovePanelHook() {
    if (!library_.IsHookSet())
        return true;
    if (library_.UnsetHook())
        return true;
    errors_.ShowError("unSetHookFunc error " + std::to_string(GetLastError()));
    return false;
}
