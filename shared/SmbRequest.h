#pragma once
// The request record exchanged with the driver library's ReadByte and
// WriteByte. Its layout is fixed by the library (little-endian, 12 bytes).
#include <cstddef>
#include <cstdint>

struct SmbRequest {
    uint16_t reserved0;    // zero; never set by the program
    uint16_t slaveAddress; // 0x68 for every access
    uint16_t reg;          // register number
    uint16_t reserved1;    // zero; never set by the program
    uint32_t data;         // byte value in the low-order byte, upper bytes zero
};

static_assert(sizeof(SmbRequest) == 12, "SmbRequest must be 12 bytes");
static_assert(offsetof(SmbRequest, slaveAddress) == 2, "slave address at offset 2");
static_assert(offsetof(SmbRequest, reg) == 4, "register at offset 4");
static_assert(offsetof(SmbRequest, data) == 8, "data at offset 8");

// SMBus slave address of the keypad controller.
constexpr uint16_t kKeypadSlaveAddress = 0x68;
