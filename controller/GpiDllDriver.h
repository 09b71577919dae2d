#pragma once
// The controller driver bound to the loaded GPIDLL.dll.
#include "controller/ControllerDriver.h"

class GpiDllDriver : public ControllerDriver {
public:
    explicit GpiDllDriver(uint32_t handle) : handle_(handle) {}
    uint32_t ReadByte(SmbRequest& request) override;
    uint32_t WriteByte(SmbRequest& request) override;
    uint32_t GetValue(uint8_t& level) override;
    void GetDriverDllVersion(uint8_t& driverVersion, uint8_t& libraryVersion) override;

private:
    uint32_t handle_;
};
