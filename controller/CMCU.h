#pragma once
// The controller object: the one request record and the access rules of the
// keypad controller. Every access, from storing the address to taking the
// data out, runs alone: the object's own lock serialises the message thread,
// the poll thread and the audio notification threads.
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

#include "controller/ControllerDriver.h"
#include "shared/SmbRequest.h"

class CMCU {
public:
    static constexpr int kReadAttempts = 5;
    static constexpr int kWriteAttempts = 6;
    // The highest brightness and volume level.
    static constexpr int32_t kMaxLevel = 20;
    // A persistent read gives up after this many rounds (about one second).
    static constexpr int kPersistentRounds = 50;

    using TraceSink = std::function<void(const char*)>;

    // pause: wait between two rounds of a persistent read.
    CMCU(ControllerDriver& driver, TraceSink trace,
         std::chrono::milliseconds pause = std::chrono::milliseconds(20));

    // Up to five attempts; on success stores the byte in value and returns
    // true, otherwise value is left as it was.
    bool ReadRegister(uint16_t reg, int32_t& value);
    // The same, for a field of another width (a shared field of the panel).
    template <class Field> bool ReadRegister(uint16_t reg, Field& field) {
        int32_t value = 0;
        if (!ReadRegister(reg, value))
            return false;
        field = value;
        return true;
    }
    // A level register (brightness 1, volume 2): as ReadRegister, with a
    // value above the levels' range (0 to 20) taken as 20, so that a glitch
    // of the controller never reaches the slider or the audio device as a
    // level they do not have.
    template <class Field> bool ReadLevel(uint16_t reg, Field& field) {
        int32_t value = 0;
        if (!ReadRegister(reg, value))
            return false;
        field = value > kMaxLevel ? kMaxLevel : value;
        return true;
    }
    // Up to six attempts; a write that never succeeds is dropped.
    void WriteRegister(uint16_t reg, int32_t value);
    // Repeats whole reads until one succeeds, for at most kPersistentRounds
    // rounds; gives up with false and leaves value unchanged.
    bool ReadRegisterPersistent(uint16_t reg, int32_t& value);
    // Level of the controller's input line; false when the driver fails.
    bool ReadInputLine(uint8_t& level);
    // The driver's and the library's versions, as the library gives them.
    void ReadVersions(uint8_t& driverVersion, uint8_t& libraryVersion);

private:
    ControllerDriver& driver_;
    TraceSink trace_;
    std::chrono::milliseconds pause_;
    std::mutex access_;
    SmbRequest request_{};
};
