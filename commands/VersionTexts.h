#pragma once
// The texts of the firmware-version box and of the About box's version lines.
#include <cstdint>
#include <optional>
#include <string>

// What the firmware box shows, as read from the controller.
struct FirmwareReport {
    bool extendedRegisters = false;
    uint8_t major = 0;           // register 17's high nibble
    uint8_t minor = 0;           // and low nibble
    std::optional<int32_t> type; // register 22, when it could be read
    int32_t letter = 0;          // register 24's three bytes, 0 where unread
    int32_t high = 0;
    int32_t low = 0;
};

// "Firmware Version ==> V1.3" without extended registers; with them
// "Firmware Version ==>K4660 R2.1": the letter (left out when there is none,
// so that the rest still shows), high × 256 + low, the type ("R" for bit 4,
// "T" for bit 0, nothing for neither or an unread register) and the version.
std::string FirmwareText(const FirmwareReport& report);

// "driver ver : 1.a" and "dll ver : 2.0": each nibble as a lower-case
// hexadecimal digit.
std::string DriverVersionLine(uint8_t version);
std::string LibraryVersionLine(uint8_t version);
