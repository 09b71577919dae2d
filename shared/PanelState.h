#pragma once
// The panel's state record: the fields that the message thread, the poll
// thread and the audio notification threads share. Levels run from 0 to 20;
// flags are 0 or 1. Everything starts at zero unless noted. State that only
// one subsystem uses lives in that subsystem's object instead.
#include <cstdint>

#include "shared/Shared.h"

// The level the panel shows: the value ArrangePanel takes and
// showingBrightness holds.
enum class Arrangement : uint8_t { Volume = 0, Brightness = 1 };

// The optional functions the panel offers (functionMask), each with its button.
constexpr uint8_t kFunctionDimming = 0x01;
constexpr uint8_t kFunctionBuzzer = 0x02;
constexpr uint8_t kFunctionLock = 0x04;
// skipSliderEcho while the panel has pushed no volume whose echo is awaited.
constexpr int32_t kNoSliderEcho = -1;

struct PanelState {
    Shared<int32_t> statusBits;    // last value of register 18; also written to register 7
    Shared<int32_t> appliedStatus; // status last applied to audio device and panel
    Shared<int32_t> audioMute;     // bit 0: mute as last reported by the audio side
    Shared<uint8_t> autoDimming;   // status bit 4
    Shared<uint8_t> keypadLocked;  // status bit 7
    // Changed by the panel's thread with SwitchBacklight, which Publishes it
    // after counting its write in backlightRequests.
    Shared<uint8_t> backlightOn{1};
    // Writes of register 20 (the backlight) asked for and not made yet: until
    // they are, register 23 may still read as it was before them, and a
    // controller event leaves the backlight alone.
    Shared<int32_t> backlightRequests;
    Shared<int32_t> keypadVolume;        // volume last read from register 2
    Shared<int32_t> shownVolume;         // volume the panel last reacted to
    Shared<int32_t> pendingVolume;       // volume the periodic sync writes to register 9
    Shared<int32_t> audioVolume;         // volume last reported by the audio side
    Shared<int32_t> requestedBrightness; // brightness asked for by the slider
    Shared<uint8_t> useEndpointVolume;   // 1 endpoint back-end, 0 legacy mixer
    Shared<uint8_t> pollRunning;
    Shared<uint8_t> extendedRegisters; // status bit 2 as read at construction
    // The arrangement the poll thread's algorithm last asked for (the
    // panel's thread may still be carrying it out).
    Shared<Arrangement> showingBrightness{Arrangement::Brightness};
    // Counts the arrangements asked for; one the panel's thread comes to
    // after a newer one was asked for is left out.
    Shared<uint32_t> arrangementRequests;
    Shared<uint32_t> driverHandle;
    Shared<int32_t> brightness;        // brightness last read from 1 or written to 8
    Shared<int32_t> shownBrightness;   // brightness the panel last reacted to
    Shared<int32_t> pendingBrightness; // brightness the periodic sync writes to register 8
    Shared<uint8_t> firmwareMajor;
    Shared<uint8_t> firmwareMinor;
    Shared<uint8_t> functionCount;     // bits set in functionMask
    Shared<uint8_t> functionMask;      // bit 0 dimming, bit 1 buzzer, bit 2 keypad lock
    Shared<int32_t> backlightValue{1}; // last value read from 23 or written to 20
    // The volume the panel last pushed to the audio device: the device's
    // report of it is its echo, which leaves the slider alone once.
    // kNoSliderEcho when none is awaited.
    Shared<int32_t> skipSliderEcho{kNoSliderEcho};
};

// Records the audio side's mute in audioMute in one indivisible step (the
// poll thread and the audio service's threads both record it): bit 0 follows
// muted; an un-mute also drops every bit above bit 7.
inline void RecordAudioMute(PanelState& state, bool muted) {
    if (muted)
        state.audioMute.SetBits(0x01);
    else
        state.audioMute.KeepBits(0xFE);
}
