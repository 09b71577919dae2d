#pragma once
// The input hook that wakes the backlight and hides the panel. It comes with
// the hook library; until then no hook is set and both report success.
#include "controller/PanelOperations.h"

class PanelHook {
public:
    bool SetPanelHook(const HookRect&) { return true; }
    bool RemovePanelHook() { return true; }
};
