#pragma once
// The input hook as the panel's subsystems ask for it: set with the panel's
// screen rectangle while the panel is shown, or with an all-zero rectangle
// while the backlight is off, and removed when neither holds.
#include <cstdint>

// A screen rectangle for the hook; all zero while the backlight is off.
struct HookRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

class HookControl {
public:
    virtual ~HookControl() = default;
    // Sets the hook unless one is set (which keeps its rectangle); true when
    // a hook is set at the end.
    virtual bool SetPanelHook(const HookRect& rect) = 0;
    // Removes the hook if one is set; true when none is set at the end.
    virtual bool RemovePanelHook() = 0;
};
