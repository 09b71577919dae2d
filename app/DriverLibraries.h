#pragma once
// The two libraries the program cannot run without: the keypad controller's
// driver (GPIDLL.dll) and the input-hook library (SystemHook.dll), each
// loaded from the program's own folder or the system folder and bound.
#include <optional>
#include <string>

#include "commands/PanelHook.h"
#include "controller/GpiDllDriver.h"

struct DriverLibraries {
    GpiDllLibrary driver;
    HookLibrary hook;
};

// Both libraries, or nothing, with failure saying for the user which one is
// missing or unusable and where it was looked for.
std::optional<DriverLibraries> LoadDriverLibraries(std::string& failure);
