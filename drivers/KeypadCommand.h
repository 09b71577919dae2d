#pragma once
// The verbs of keypadctl: parsed from its arguments and carried out on the
// model. `wait` is only parsed here; the caller does the waiting, because it
// must let other processes at the model between two looks at the log.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drivers/KeypadModel.h"

namespace keypad {

enum class Verb {
    Press,
    Get,
    Set,
    FailRead,
    FailWrite,
    FailNoAnswer,
    FailHang,
    FailInputLine,
    Clear,
    Reset,
    Log,
    Seq,
    Wait,
};

struct Command {
    Verb verb = Verb::Clear;
    Key key = Key::BrightnessUp;         // Press
    uint32_t count = 1;                  // Press, FailRead, FailWrite
    uint16_t reg = 0;                    // Get, Set, Fail*
    uint8_t value = 0;                   // Set
    Profile profile = Profile::Extended; // Reset
    uint64_t afterSeq = 0;               // Log, Wait: only entries after this one
    LogPattern pattern{};                // Wait
    uint32_t timeoutMs = 5000;           // Wait
};

// Exit statuses of keypadctl.
constexpr int kExitOk = 0;
constexpr int kExitTimeout = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoSimulator = 3;

extern const char* const kKeypadctlUsage;

// Nothing when the arguments (without the program name) are not a command.
std::optional<Command> ParseCommand(const std::vector<std::string_view>& args);

// The verb changes the controller's state (keys, registers, faults, profile).
bool ChangesState(Verb verb);

// What keypadctl says when a state-changing verb found no other process
// holding the controller: the change ends with the command.
extern const char* const kUnheldChangeWarning;

// Carries out any verb but Wait and gives what keypadctl prints.
std::string RunCommand(KeypadModel& model, const Command& command, uint64_t nowUs);

} // namespace keypad
