#include "commands/PanelHook.h"

#include <string>

#include "shared/SystemHook.h"

HookLibrary SystemHookLibrary() {
    return HookLibrary{&::SetHook, &::UnsetHook, &::IsHookSet};
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
