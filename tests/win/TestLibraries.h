#pragma once
// The driver libraries beside the test program (the simulator's GPIDLL.dll
// and SystemHook.dll), loaded and bound once as the program does it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/DriverLibraries.h"

inline const DriverLibraries& TestLibraries() {
    static const DriverLibraries libraries = [] {
        std::string failure;
        const std::optional<DriverLibraries> loaded = LoadDriverLibraries(failure);
        if (!loaded) {
            std::fprintf(stderr, "the driver libraries cannot be had: %s\n", failure.c_str());
            std::abort();
        }
        return *loaded;
    }();
    return libraries;
}
