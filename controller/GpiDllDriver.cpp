#include "controller/GpiDllDriver.h"

#include "shared/GpiDll.h"

uint32_t GpiDllDriver::ReadByte(SmbRequest& request) {
    return ::ReadByte(handle_, &request);
}

uint32_t GpiDllDriver::WriteByte(SmbRequest& request) {
    return ::WriteByte(handle_, &request);
}

uint32_t GpiDllDriver::GetValue(uint8_t& level) {
    return ::GPIDLL_GetValue(handle_, &level);
}

void GpiDllDriver::GetDriverDllVersion(uint8_t& driverVersion, uint8_t& libraryVersion) {
    ::GetDriverDllVersion(handle_, &driverVersion, &libraryVersion); // its result says nothing
}
