#include "controller/CMCU.h"

#include <thread>

#include "controller/RegisterMap.h"

CMCU::CMCU(ControllerDriver& driver, TraceSink trace, std::chrono::milliseconds pause)
    : driver_(driver), trace_(std::move(trace)), pause_(pause) {}

bool CMCU::ReadRegister(uint16_t reg, int32_t& value) {
    {
        std::lock_guard<std::mutex> lock(access_);
        request_.slaveAddress = kKeypadSlaveAddress;
        request_.reg = reg;
        for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
            if (driver_.ReadByte(request_) != 0) {
                value = static_cast<int32_t>(request_.data & 0xFF);
                return true;
            }
        }
    }
    if (trace_)
        trace_(RegisterFailureText(reg));
    return false;
}

void CMCU::WriteRegister(uint16_t reg, int32_t value) {
    {
        std::lock_guard<std::mutex> lock(access_);
        request_.slaveAddress = kKeypadSlaveAddress;
        request_.reg = reg;
        request_.data = static_cast<uint32_t>(value) & 0xFF;
        for (int attempt = 0; attempt < kWriteAttempts; ++attempt)
            if (driver_.WriteByte(request_) != 0)
                return;
    }
    if (trace_)
        trace_(RegisterFailureText(reg));
}

bool CMCU::ReadRegisterPersistent(uint16_t reg, int32_t& value) {
    for (int round = 0; round < kPersistentRounds; ++round) {
        if (round > 0)
            std::this_thread::sleep_for(pause_);
        if (ReadRegister(reg, value))
            return true;
    }
    return false;
}

bool CMCU::ReadInputLine(uint8_t& level) {
    std::lock_guard<std::mutex> lock(access_);
    return (driver_.GetValue(level) & 0xFF) != 0;
}

void CMCU::ReadVersions(uint8_t& driverVersion, uint8_t& libraryVersion) {
    std::lock_guard<std::mutex> lock(access_);
    driver_.GetDriverDllVersion(driverVersion, libraryVersion);
}
