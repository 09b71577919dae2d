#pragma once
// The driver library's access functions as the controller object uses them.
// The program binds them to the loaded GPIDLL.dll; tests supply fakes.
#include <cstdint>

#include "shared/SmbRequest.h"

class ControllerDriver {
public:
    virtual ~ControllerDriver() = default;
    // Nonzero on success; on a read the record's data field holds the value.
    virtual uint32_t ReadByte(SmbRequest& request) = 0;
    virtual uint32_t WriteByte(SmbRequest& request) = 0;
    // Nonzero (low byte) on success; level 0 means the controller has news.
    virtual uint32_t GetValue(uint8_t& level) = 0;
    // The driver's and the library's versions (major and minor nibble);
    // bytes the library does not fill are left as they are.
    virtual void GetDriverDllVersion(uint8_t& driverVersion, uint8_t& libraryVersion) = 0;
};
