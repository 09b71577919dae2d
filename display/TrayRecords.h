#pragma once
// The records the tray icon locator reads out of the shell's process: the
// notification toolbar's button record and the first fields of the shell's
// record for a notification icon, in the layouts of a 32-bit and of a
// 64-bit shell.
#include <cstddef>
#include <cstdint>
#include <optional>

struct TrayRecordLayout {
    size_t buttonSize;  // the toolbar's button record
    size_t stateOffset; // its state byte
    size_t dataOffset;  // its data word: the address of the icon's record
    size_t dataSize;    // 4 or 8
    size_t iconSize;    // bytes read of the icon's record
    size_t ownerSize;   // its owner window handle, at offset 0
    size_t idOffset;    // its 32-bit icon id
};

constexpr TrayRecordLayout kShell32Layout{20, 8, 12, 4, 8, 4, 4};
constexpr TrayRecordLayout kShell64Layout{32, 8, 16, 8, 12, 8, 8};

// The toolbar's button state bit for a button the shell hides.
constexpr uint8_t kButtonHidden = 0x08;

struct TrayButton {
    bool hidden;
    uint64_t iconRecord; // address in the shell's process
};

struct TrayIconOwner {
    uint64_t window;
    uint32_t id;
};

// From the bytes of a button record (at least layout.buttonSize of them).
TrayButton ParseTrayButton(const uint8_t* bytes, const TrayRecordLayout& layout);
// From the first layout.iconSize bytes of a notification icon's record.
TrayIconOwner ParseTrayIconOwner(const uint8_t* bytes, const TrayRecordLayout& layout);
