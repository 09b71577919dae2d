#pragma once
// The input hook that wakes the backlight and hides the panel. It comes with
// the hook library; until then no hook is set and both report success.
#include "shared/HookControl.h"

class PanelHook : public HookControl {
public:
    bool SetPanelHook(const HookRect&) override { return true; }
    bool RemovePanelHook() override { return true; }
};
