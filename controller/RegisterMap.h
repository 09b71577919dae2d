#pragma once
// The keypad controller's registers. A quantity is read from one register and
// written to another (brightness 1/8, volume 2/9, mute 18/7, backlight 23/20,
// environment 27/32).
#include <cstdint>

enum Register : uint16_t {
    REG_BRIGHTNESS = 1,     // read: brightness level 0..20
    REG_VOLUME = 2,         // read: volume level 0..20
    REG_MUTE = 7,           // write: status byte, bit 0 mute
    REG_SET_BRIGHTNESS = 8, // write: brightness level
    REG_SET_VOLUME = 9,     // write: volume level
    REG_VERSION = 17,       // read, persistent: firmware major/minor nibbles
    REG_STATUS = 18,        // read: bit 0 mute, bit 2 extended, bit 4 dimming, bit 7 locked
    REG_SET_BACKLIGHT = 20, // write: 1 on, 0 off
    REG_SET_DIMMING = 21,   // write: 1 automatic dimming on, 0 off
    REG_TYPE = 22,          // read: firmware type
    REG_BACKLIGHT = 23,     // read, persistent: bit 0 backlight on
    REG_RDNUM = 24,         // read three times: letter, high, low
    REG_FUNCTION = 25,      // read, persistent: bit 0 dimming, bit 1 buzzer
    REG_LUX = 27,           // read: environment 1..4
    REG_CHANGE_VALUE = 28,  // read: bit 0 brightness, bit 1 volume changed; 0xFF no information
    REG_SET_LUX = 32,       // write: environment 1..4
    REG_SET_LOCK = 33,      // write: 1 lock, 0 unlock
};

// Status bits of register 18.
constexpr int32_t kStatusMute = 0x01;
constexpr int32_t kStatusExtended = 0x04;
constexpr int32_t kStatusAutoDimming = 0x10;
constexpr int32_t kStatusLocked = 0x80;
// What register 7 receives when a volume key releases the keypad's mute.
constexpr int32_t kMuteReleased = 0xFE;

// The register's name as the failure texts use it ("volume", "LUX", ...).
const char* RegisterName(uint16_t reg);
// The diagnostic text for a failed access, e.g. "readSmb volume Error".
// Empty for a register the map does not know.
const char* RegisterFailureText(uint16_t reg);
