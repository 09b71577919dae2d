#pragma once
// The panel's two wrappers of the input-hook library: set the hook unless
// one is set, remove it if one is; a failure is shown in a message box that
// names the call and the system's error code.
#include <optional>
#include <string>

#include "framework/ErrorReport.h"
#include "framework/Win32.h"
#include "shared/HookControl.h"

// The library's three functions, found by name in a loaded SystemHook.dll.
// Like the driver's, they state no calling convention and are called so
// that either works.
struct HookLibrary {
    // The functions of module; nothing (with missing naming the first one
    // the library does not export) when one is missing.
    static std::optional<HookLibrary> Bind(HMODULE module, std::string& missing);

    BOOLEAN SetHook(HWND window, const RECT* rect) const;
    BOOLEAN UnsetHook() const;
    BOOLEAN IsHookSet() const;

    FARPROC setHook = nullptr;
    FARPROC unsetHook = nullptr;
    FARPROC isHookSet = nullptr;
};

class PanelHook : public HookControl {
public:
    PanelHook(ErrorSink& errors, const HookLibrary& library) : errors_(errors), library_(library) {}

    // The window the hook library tells (the panel); none until it exists.
    void SetWindow(HWND window) { window_ = window; }

    bool SetPanelHook(const HookRect& rect) override;
    bool RemovePanelHook() override;

private:
    ErrorSink& errors_;
    HookLibrary library_;
    HWND window_ = nullptr;
};
