#pragma once
// The panel's two wrappers of the input-hook library: set the hook unless
// one is set, remove it if one is; a failure is shown in a message box that
// names the call and the system's error code.
#include "framework/ErrorReport.h"
#include "framework/Win32.h"
#include "shared/HookControl.h"

// The library's three functions (the program binds SystemHook.dll's).
struct HookLibrary {
    BOOLEAN(__cdecl* SetHook)(HWND window, const RECT* rect);
    BOOLEAN(__cdecl* UnsetHook)();
    BOOLEAN(__cdecl* IsHookSet)();
};
// SystemHook.dll's, bound when the program loads.
HookLibrary SystemHookLibrary();

class PanelHook : public HookControl {
public:
    PanelHook(ErrorSink& errors, HookLibrary library = SystemHookLibrary())
        : errors_(errors), library_(library) {}

    // The window the hook library tells (the panel); none until it exists.
    void SetWindow(HWND window) { window_ = window; }

    bool SetPanelHook(const HookRect& rect) override;
    bool RemovePanelHook() override;

private:
    ErrorSink& errors_;
    HookLibrary library_;
    HWND window_ = nullptr;
};
