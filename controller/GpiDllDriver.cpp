#include "controller/GpiDllDriver.h"

#include "framework/ForeignCall.h"
#include "framework/LibraryLoading.h"

std::optional<GpiDllLibrary> GpiDllLibrary::Bind(HMODULE module, std::string& missing) {
    GpiDllLibrary library;
    if (!BindFunctions(module,
                       {{&library.open, "GPIDLL_Open"},
                        {&library.getValue, "GPIDLL_GetValue"},
                        {&library.readByte, "ReadByte"},
                        {&library.writeByte, "WriteByte"},
                        {&library.getDriverDllVersion, "GetDriverDllVersion"}},
                       missing))
        return std::nullopt;
    return library;
}

uint32_t GpiDllLibrary::Open() const {
    return CallForeign<uint32_t>(open);
}

uint32_t GpiDllDriver::ReadByte(SmbRequest& request) {
    return CallForeign<uint32_t>(library_.readByte, handle_, &request);
}

uint32_t GpiDllDriver::WriteByte(SmbRequest& request) {
    return CallForeign<uint32_t>(library_.writeByte, handle_, &request);
}

uint32_t GpiDllDriver::GetValue(uint8_t& level) {
    return CallForeign<uint32_t>(library_.getValue, handle_, &level);
}

void GpiDllDriver::GetDriverDllVersion(uint8_t& driverVersion, uint8_t& libraryVersion) {
    // Its result says nothing.
    CallForeign<uint32_t>(library_.getDriverDllVersion, handle_, &driverVersion, &libraryVersion);
}
