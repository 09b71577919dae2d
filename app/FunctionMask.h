#pragma once
// Which optional panel functions exist (functionMask).
#include <cstdint>
#include <optional>
#include <vector>

#include "controller/CMCU.h"
#include "shared/PanelState.h"

// The "HaveKeypad" setting: only a value that could be read and whose first
// data byte is 0 leaves the keypad-lock function out. A missing key or
// value, a failed read and an empty value all keep it.
bool LockFunctionPresent(const std::optional<std::vector<uint8_t>>& haveKeypad);
// "HaveKeypad" is decided on its first byte: a value longer than this is not
// read at all, and counts as unreadable.
constexpr size_t kHaveKeypadMaxSize = 4096;

// Recomputes functionMask and functionCount from scratch: the lock function
// as given, dimming always on a controller without extended registers,
// otherwise dimming and buzzer from register 25.
void UpdateFunctionMask(PanelState& state, CMCU& controller, bool lockPresent);
