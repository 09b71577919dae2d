#pragma once
// The controller driver bound to a loaded GPIDLL.dll. The library states no
// calling convention for its five functions; they are called so that either
// of the two that 32-bit libraries use works.
#include <optional>
#include <string>

#include "controller/ControllerDriver.h"
#include "framework/Win32.h"

// The five functions of a loaded GPIDLL.dll, found by name.
struct GpiDllLibrary {
    // The functions of module; nothing (with missing naming the first one
    // the library does not export) when one is missing.
    static std::optional<GpiDllLibrary> Bind(HMODULE module, std::string& missing);

    // GPIDLL_Open: the handle every other call takes.
    uint32_t Open() const;

    FARPROC open = nullptr;
    FARPROC getValue = nullptr;
    FARPROC readByte = nullptr;
    FARPROC writeByte = nullptr;
    FARPROC getDriverDllVersion = nullptr;
};

class GpiDllDriver : public ControllerDriver {
public:
    GpiDllDriver(const GpiDllLibrary& library, uint32_t handle)
        : library_(library), handle_(handle) {}
    uint32_t ReadByte(SmbRequest& request) override;
    uint32_t WriteByte(SmbRequest& request) override;
    uint32_t GetValue(uint8_t& level) override;
    void GetDriverDllVersion(uint8_t& driverVersion, uint8_t& libraryVersion) override;

private:
    GpiDllLibrary library_;
    uint32_t handle_;
};
