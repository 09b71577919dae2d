#pragma once
// What the tray shows: the four indications of automatic dimming and the
// keypad lock, and the Environment items of the controller's ambient-light
// setting.
#include <cstdint>
#include <optional>

struct TrayIndication {
    unsigned icon;           // the tray icon
    const char* tooltip;     // its tooltip
    unsigned lockPicture;    // the padlock button's picture
    unsigned dimmingPicture; // the automatic-dimming button's picture
};

// Index 1 for automatic dimming plus 2 for the keypad lock.
int TrayIndicationIndex(bool autoDimming, bool keypadLocked);
const TrayIndication& TrayIndicationFor(int index);

// The Environment command of an ambient-light value 1 to 4 (Office, Normal,
// Factory, Outdoor); nothing for any other value.
std::optional<uint32_t> EnvironmentItemFor(int32_t lux);
// The ambient-light value of an Environment command, 1 to 4.
int32_t EnvironmentValueOf(uint32_t item);
