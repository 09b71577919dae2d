#include "drivers/KeypadCommand.h"

#include <charconv>

namespace keypad {

const char* const kKeypadctlUsage =
    "usage: keypadctl VERB ...\n"
    "  press KEY [N]        press KEY N times (1 to 1000); KEY: bright+ bright- vol+ vol-\n"
    "                       mute backlight lock dimming; prints the K entries\n"
    "  get REG              print the register's value in decimal (not logged)\n"
    "  set REG VALUE        store VALUE in a register the host reads (no event, not logged)\n"
    "  fail read REG N      the next N reads of REG fail\n"
    "  fail write REG N     the next N writes of REG fail\n"
    "  fail noanswer REG    REG never answers again\n"
    "  fail hang REG        every access of REG holds its caller until clear\n"
    "  fail gpi             GPIDLL_GetValue fails from now on\n"
    "  clear                remove all faults\n"
    "  reset [extended|basic]  power-on state of the profile (default extended);\n"
    "                       removes the faults, keeps the log and its numbering\n"
    "  log [--since SEQ]    print the access log, only entries after SEQ if given:\n"
    "                       SEQ TIME_US OP REG VALUE RESULT\n"
    "  seq                  print the number of the last log entry (0 if none)\n"
    "  wait OP REG [--since SEQ] [--timeout MS]\n"
    "                       wait for a log entry (after SEQ; default 0) and print it;\n"
    "                       OP: R W G V K; REG: a register for R and W, a key for K,\n"
    "                       - for G and V, or any; default timeout 5000 ms\n"
    "Numbers are decimal or 0x hex. GPIDLL_SIM_NAME names the block to use.\n"
    "Exit status: 0 done, 1 wait timed out, 2 usage, 3 simulator not reachable.\n";

namespace {

std::optional<uint64_t> ParseNumber(std::string_view text, uint64_t max) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || stop != end || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<uint16_t> ParseRegister(std::string_view text, bool (*accepts)(uint16_t)) {
    const auto number = ParseNumber(text, UINT16_MAX);
    if (!number || !accepts(static_cast<uint16_t>(*number))) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(*number);
}

// REG of a wait: what the log's REG column shows for OP, or "any".
std::optional<LogPattern> ParsePattern(std::string_view op, std::string_view reg) {
    if (op.size() != 1) {
        return std::nullopt;
    }
    LogPattern pattern{op[0], std::nullopt};
    if (reg == "any") {
        return pattern;
    }
    switch (pattern.op) {
    case 'R':
    case 'W':
        if (const auto number = ParseNumber(reg, UINT16_MAX)) {
            pattern.reg = static_cast<uint16_t>(*number);
            return pattern;
        }
        return std::nullopt;
    case 'K':
        if (const auto key = ParseKey(reg)) {
            pattern.reg = static_cast<uint16_t>(*key);
            return pattern;
        }
        return std::nullopt;
    case 'G':
    case 'V':
        if (reg == "-") {
            pattern.reg = 0;
            return pattern;
        }
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

// --since SEQ and --timeout MS, in any order, from `first` on.
bool ParseOptions(const std::vector<std::string_view>& args, size_t first, Command& command,
                  bool allowTimeout) {
    for (size_t i = first; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            return false;
        }
        if (args[i] == "--since") {
            const auto seq = ParseNumber(args[i + 1], UINT64_MAX);
            if (!seq) {
                return false;
            }
            command.afterSeq = *seq;
        } else if (allowTimeout && args[i] == "--timeout") {
            const auto ms = ParseNumber(args[i + 1], UINT32_MAX);
            if (!ms) {
                return false;
            }
            command.timeoutMs = static_cast<uint32_t>(*ms);
        } else {
            return false;
        }
    }
    return true;
}

std::optional<Command> ParseFail(const std::vector<std::string_view>& args) {
    Command command;
    const std::string_view kind = args.size() > 1 ? args[1] : std::string_view();
    if (kind == "gpi" && args.size() == 2) {
        command.verb = Verb::FailInputLine;
        return command;
    }
    if ((kind == "noanswer" || kind == "hang") && args.size() == 3) {
        command.verb = kind == "hang" ? Verb::FailHang : Verb::FailNoAnswer;
    } else if ((kind == "read" || kind == "write") && args.size() == 4) {
        command.verb = kind == "read" ? Verb::FailRead : Verb::FailWrite;
        const auto count = ParseNumber(args[3], UINT32_MAX);
        if (!count) {
            return std::nullopt;
        }
        command.count = static_cast<uint32_t>(*count);
    } else {
        return std::nullopt;
    }
    const auto reg = ParseRegister(args[2], IsKnownRegister);
    if (!reg) {
        return std::nullopt;
    }
    command.reg = *reg;
    return command;
}

} // namespace

std::optional<Command> ParseCommand(const std::vector<std::string_view>& args) {
    if (args.empty()) {
        return std::nullopt;
    }
    const std::string_view verb = args[0];
    const size_t n = args.size();
    Command command;
    if (verb == "press" && (n == 2 || n == 3)) {
        const auto key = ParseKey(args[1]);
        const auto count = n == 3 ? ParseNumber(args[2], 1000) : std::optional<uint64_t>(1);
        if (!key || !count || *count == 0) {
            return std::nullopt;
        }
        command.verb = Verb::Press;
        command.key = *key;
        command.count = static_cast<uint32_t>(*count);
        return command;
    }
    if ((verb == "get" && n == 2) || (verb == "set" && n == 3)) {
        const auto reg = ParseRegister(args[1], n == 2 ? IsKnownRegister : IsReadableRegister);
        const auto value = n == 3 ? ParseNumber(args[2], UINT8_MAX) : std::optional<uint64_t>(0);
        if (!reg || !value) {
            return std::nullopt;
        }
        command.verb = n == 2 ? Verb::Get : Verb::Set;
        command.reg = *reg;
        command.value = static_cast<uint8_t>(*value);
        return command;
    }
    if (verb == "fail") {
        return ParseFail(args);
    }
    if ((verb == "clear" || verb == "seq") && n == 1) {
        command.verb = verb == "clear" ? Verb::Clear : Verb::Seq;
        return command;
    }
    if (verb == "reset" && n <= 2) {
        const auto profile = n == 2 ? ParseProfile(args[1]) : std::optional(Profile::Extended);
        if (!profile) {
            return std::nullopt;
        }
        command.verb = Verb::Reset;
        command.profile = *profile;
        return command;
    }
    if (verb == "log" && ParseOptions(args, 1, command, false)) {
        command.verb = Verb::Log;
        return command;
    }
    if (verb == "wait" && n >= 3 && ParseOptions(args, 3, command, true)) {
        const auto pattern = ParsePattern(args[1], args[2]);
        if (!pattern) {
            return std::nullopt;
        }
        command.verb = Verb::Wait;
        command.pattern = *pattern;
        return command;
    }
    return std::nullopt;
}

const char* const kUnheldChangeWarning =
    "keypadctl: no other process holds the simulated controller, so this change ends with\n"
    "  this command. Start Lumitrax.exe or Keypad.exe first, or choose the profile of the\n"
    "  controller they will create with GPIDLL_SIM_PROFILE=extended|basic.\n";

bool ChangesState(Verb verb) {
    switch (verb) {
    case Verb::Press:
    case Verb::Set:
    case Verb::FailRead:
    case Verb::FailWrite:
    case Verb::FailNoAnswer:
    case Verb::FailHang:
    case Verb::FailInputLine:
    case Verb::Clear:
    case Verb::Reset:
        return true;
    case Verb::Get:
    case Verb::Log:
    case Verb::Seq:
    case Verb::Wait:
        return false;
    }
    return false;
}

std::string RunCommand(KeypadModel& model, const Command& command, uint64_t nowUs) {
    std::string output;
    switch (command.verb) {
    case Verb::Press:
        for (uint32_t i = 0; i < command.count; ++i) {
            output += FormatLogEntry(model.PressKey(command.key, nowUs)) + '\n';
        }
        break;
    case Verb::Get:
        output = std::to_string(model.Peek(command.reg).value_or(0)) + '\n';
        break;
    case Verb::Set:
        model.Set(command.reg, command.value);
        break;
    case Verb::FailRead:
        model.FailNextReads(command.reg, command.count);
        break;
    case Verb::FailWrite:
        model.FailNextWrites(command.reg, command.count);
        break;
    case Verb::FailNoAnswer:
        model.StopAnswering(command.reg);
        break;
    case Verb::FailHang:
        model.Hang(command.reg);
        break;
    case Verb::FailInputLine:
        model.FailInputLine();
        break;
    case Verb::Clear:
        model.ClearFaults();
        break;
    case Verb::Reset:
        model.Reset(command.profile);
        break;
    case Verb::Log:
        for (const LogEntry& entry : model.EntriesAfter(command.afterSeq)) {
            output += FormatLogEntry(entry) + '\n';
        }
        break;
    case Verb::Seq:
        output = std::to_string(model.LastSeq()) + '\n';
        break;
    case Verb::Wait:
        break;
    }
    return output;
}

} // namespace keypad
