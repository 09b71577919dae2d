#include "drivers/KeypadModel.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace keypad {
namespace {

// How the host may use a register, from the register map.
enum Access : uint8_t {
    kReadable = 1,
    kWritable = 2,
    kExtendedOnly = 4, // only on controllers with status bit 2
};

uint8_t RegisterAccess(uint16_t reg) {
    switch (reg) {
    case reg::kBrightness:
    case reg::kVolume:
    case reg::kVersion:
    case reg::kStatus:
        return kReadable;
    case reg::kMuteWrite:
    case reg::kBrightnessWrite:
    case reg::kVolumeWrite:
        return kWritable;
    case reg::kType:
    case reg::kBacklight:
    case reg::kRdNum:
    case reg::kFunction:
    case reg::kLux:
    case reg::kChangeValue:
        return kReadable | kExtendedOnly;
    case reg::kBacklightWrite:
    case reg::kDimmingWrite:
    case reg::kLuxWrite:
    case reg::kLockWrite:
        return kWritable | kExtendedOnly;
    default:
        return 0;
    }
}

struct KeyInfo {
    const char* name;
    uint16_t changedRegister;
};

// Indexed by Key.
constexpr KeyInfo kKeys[kKeyCount] = {
    {"bright+", reg::kBrightness}, {"bright-", reg::kBrightness}, {"vol+", reg::kVolume},
    {"vol-", reg::kVolume},        {"mute", reg::kStatus},        {"backlight", reg::kBacklight},
    {"lock", reg::kStatus},        {"dimming", reg::kStatus},
};

constexpr uint8_t kRdNumBytes[3] = {'K', 0x12, 0x34};
constexpr uint8_t kFirmwareVersion = 0x21;
constexpr uint8_t kFirmwareType = 0x10;
constexpr uint8_t kFunctions = 0x03; // dimming and buzzer
constexpr uint8_t kLuxNormal = 2;
constexpr uint8_t kInitialLevel = 10;

void CopyBit(uint8_t& target, uint8_t mask, uint8_t source) {
    target = (source & 1) ? (target | mask) : (target & ~mask);
}

uint8_t StepLevel(uint8_t level, int step) {
    return static_cast<uint8_t>(std::clamp(level + step, 0, int{kMaxLevel}));
}

} // namespace

bool IsKnownRegister(uint16_t reg) {
    return RegisterAccess(reg) != 0;
}

bool IsReadableRegister(uint16_t reg) {
    return RegisterAccess(reg) & kReadable;
}

bool LogPattern::Matches(const LogEntry& entry) const {
    return entry.op == op && (!reg || *reg == entry.reg);
}

void KeypadModel::Initialise(Profile profile) {
    std::memset(&state_, 0, sizeof state_);
    state_.magic = kStateMagic;
    Reset(profile);
}

void KeypadModel::Reset(Profile profile) {
    state_.profile = static_cast<uint8_t>(profile);
    state_.inputLineLow = 0;
    state_.inputLineFails = 0;
    state_.rdNumPosition = 0;
    std::memcpy(state_.rdNum, kRdNumBytes, sizeof kRdNumBytes);
    std::memset(state_.registers, 0, sizeof state_.registers);
    ClearFaults();

    uint8_t* r = state_.registers;
    r[reg::kBrightness] = kInitialLevel;
    r[reg::kVolume] = kInitialLevel;
    r[reg::kVersion] = kFirmwareVersion;
    r[reg::kStatus] = profile == Profile::Extended ? status::kExtended : 0;
    r[reg::kType] = kFirmwareType;
    r[reg::kBacklight] = 1;
    r[reg::kFunction] = kFunctions;
    r[reg::kLux] = kLuxNormal;
}

bool KeypadModel::Answers(uint16_t reg, bool forWrite) {
    if ((RegisterAccess(reg) & kExtendedOnly) &&
        static_cast<Profile>(state_.profile) == Profile::Basic) {
        return false;
    }
    RegisterFaults& faults = state_.faults[reg];
    if (faults.noAnswer) {
        return false;
    }
    uint32_t& pending = forWrite ? faults.failWrites : faults.failReads;
    if (pending > 0) {
        --pending;
        return false;
    }
    return true;
}

bool KeypadModel::Read(SmbRequest& request, uint64_t nowUs) {
    const uint16_t r = request.reg;
    const bool ok = request.slaveAddress == kKeypadSlaveAddress &&
                    (RegisterAccess(r) & kReadable) && Answers(r, false);
    uint8_t value = 0;
    if (ok) {
        switch (r) {
        case reg::kRdNum:
            value = state_.rdNum[state_.rdNumPosition];
            state_.rdNumPosition = (state_.rdNumPosition + 1) % sizeof state_.rdNum;
            break;
        case reg::kChangeValue: // the flags are reported once
            value = state_.registers[r];
            state_.registers[r] = 0;
            break;
        case reg::kStatus: // the host has seen the news: release the line
            value = state_.registers[r];
            state_.inputLineLow = 0;
            break;
        default:
            value = state_.registers[r];
            break;
        }
        request.data = value;
    }
    Log('R', r, value, ok, nowUs);
    return ok;
}

bool KeypadModel::Write(const SmbRequest& request, uint64_t nowUs) {
    const uint16_t r = request.reg;
    const bool ok = request.slaveAddress == kKeypadSlaveAddress &&
                    (RegisterAccess(r) & kWritable) && Answers(r, true);
    if (ok) {
        const auto value = static_cast<uint8_t>(request.data & 0xFF);
        state_.registers[r] = value;
        ApplyWrite(r, value);
    }
    Log('W', r, request.data, ok, nowUs);
    return ok;
}

// Where a write lands: the register the host reads the quantity from.
void KeypadModel::ApplyWrite(uint16_t r, uint8_t value) {
    uint8_t* regs = state_.registers;
    switch (r) {
    case reg::kMuteWrite:
        CopyBit(regs[reg::kStatus], status::kMute, value);
        break;
    case reg::kBrightnessWrite:
        regs[reg::kBrightness] = std::min(value, kMaxLevel);
        break;
    case reg::kVolumeWrite:
        regs[reg::kVolume] = std::min(value, kMaxLevel);
        break;
    case reg::kBacklightWrite:
        CopyBit(regs[reg::kBacklight], 1, value);
        break;
    case reg::kDimmingWrite:
        CopyBit(regs[reg::kStatus], status::kDimming, value);
        break;
    case reg::kLuxWrite:
        regs[reg::kLux] = value;
        break;
    case reg::kLockWrite:
        CopyBit(regs[reg::kStatus], status::kLocked, value);
        break;
    }
}

bool KeypadModel::ReadInputLine(uint8_t& level, uint64_t nowUs) {
    const bool ok = !state_.inputLineFails;
    if (ok) {
        level = state_.inputLineLow ? 0 : 1;
    }
    Log('G', 0, ok ? level : 0, ok, nowUs);
    return ok;
}

void KeypadModel::ReadVersions(uint8_t& driverVersion, uint8_t& libraryVersion, uint64_t nowUs) {
    driverVersion = kDriverVersion;
    libraryVersion = kLibraryVersion;
    Log('V', 0, kDriverVersion << 8 | kLibraryVersion, true, nowUs);
}

LogEntry KeypadModel::PressKey(Key key, uint64_t nowUs) {
    uint8_t* regs = state_.registers;
    switch (key) {
    case Key::BrightnessUp:
    case Key::BrightnessDown:
        regs[reg::kBrightness] =
            StepLevel(regs[reg::kBrightness], key == Key::BrightnessUp ? 1 : -1);
        regs[reg::kChangeValue] |= change::kBrightness; // also at the end of the range
        break;
    case Key::VolumeUp:
    case Key::VolumeDown:
        regs[reg::kVolume] = StepLevel(regs[reg::kVolume], key == Key::VolumeUp ? 1 : -1);
        regs[reg::kChangeValue] |= change::kVolume;
        break;
    case Key::Mute:
        regs[reg::kStatus] ^= status::kMute;
        break;
    case Key::Backlight:
        regs[reg::kBacklight] ^= 1;
        break;
    case Key::Lock:
        regs[reg::kStatus] ^= status::kLocked;
        break;
    case Key::Dimming:
        regs[reg::kStatus] ^= status::kDimming;
        break;
    }
    state_.inputLineLow = 1;
    const uint16_t changed = kKeys[static_cast<int>(key)].changedRegister;
    return Log('K', static_cast<uint16_t>(key), regs[changed], true, nowUs);
}

std::optional<uint8_t> KeypadModel::Peek(uint16_t r) const {
    if (!IsKnownRegister(r)) {
        return std::nullopt;
    }
    return r == reg::kRdNum ? state_.rdNum[state_.rdNumPosition] : state_.registers[r];
}

bool KeypadModel::Set(uint16_t r, uint8_t value) {
    if (!IsReadableRegister(r)) {
        return false;
    }
    (r == reg::kRdNum ? state_.rdNum[state_.rdNumPosition] : state_.registers[r]) = value;
    return true;
}

bool KeypadModel::FailNextReads(uint16_t r, uint32_t count) {
    if (!IsKnownRegister(r)) {
        return false;
    }
    state_.faults[r].failReads = count;
    return true;
}

bool KeypadModel::FailNextWrites(uint16_t r, uint32_t count) {
    if (!IsKnownRegister(r)) {
        return false;
    }
    state_.faults[r].failWrites = count;
    return true;
}

bool KeypadModel::StopAnswering(uint16_t r) {
    if (!IsKnownRegister(r)) {
        return false;
    }
    state_.faults[r].noAnswer = 1;
    return true;
}

bool KeypadModel::Hang(uint16_t r) {
    if (!IsKnownRegister(r)) {
        return false;
    }
    state_.faults[r].hangs = 1;
    return true;
}

void KeypadModel::FailInputLine() {
    state_.inputLineFails = 1;
}

void KeypadModel::ClearFaults() {
    std::memset(state_.faults, 0, sizeof state_.faults);
    state_.inputLineFails = 0;
}

LogEntry KeypadModel::Log(char op, uint16_t r, uint32_t value, bool ok, uint64_t nowUs) {
    const uint64_t seq = ++state_.lastSeq;
    const LogEntry entry{seq, nowUs, value, r, op, ok ? uint8_t{1} : uint8_t{0}};
    state_.log[(seq - 1) % kLogCapacity] = entry;
    return entry;
}

std::vector<LogEntry> KeypadModel::EntriesAfter(uint64_t afterSeq) const {
    const uint64_t last = state_.lastSeq;
    const uint64_t oldest = last > kLogCapacity ? last - kLogCapacity + 1 : 1;
    std::vector<LogEntry> entries;
    for (uint64_t seq = std::max(afterSeq + 1, oldest); seq <= last; ++seq) {
        entries.push_back(state_.log[(seq - 1) % kLogCapacity]);
    }
    return entries;
}

std::optional<LogEntry> KeypadModel::FindAfter(const LogPattern& pattern, uint64_t afterSeq) const {
    for (const LogEntry& entry : EntriesAfter(afterSeq)) {
        if (pattern.Matches(entry)) {
            return entry;
        }
    }
    return std::nullopt;
}

const char* KeyName(Key key) {
    const auto index = static_cast<int>(key);
    return index < kKeyCount ? kKeys[index].name : "?";
}

std::optional<Key> ParseKey(std::string_view name) {
    for (int i = 0; i < kKeyCount; ++i) {
        if (name == kKeys[i].name) {
            return static_cast<Key>(i);
        }
    }
    return std::nullopt;
}

std::optional<Profile> ParseProfile(std::string_view name) {
    if (name == "extended") {
        return Profile::Extended;
    }
    if (name == "basic") {
        return Profile::Basic;
    }
    return std::nullopt;
}

std::string FormatLogEntry(const LogEntry& entry) {
    std::string reg;
    switch (entry.op) {
    case 'K':
        reg = KeyName(static_cast<Key>(entry.reg));
        break;
    case 'G':
    case 'V':
        reg = "-";
        break;
    default:
        reg = std::to_string(entry.reg);
        break;
    }
    char value[16];
    if (!entry.ok && entry.op != 'W') {
        std::snprintf(value, sizeof value, "-");
    } else if (entry.op == 'V') {
        std::snprintf(value, sizeof value, "0x%04X", static_cast<unsigned>(entry.value));
    } else {
        std::snprintf(value, sizeof value, "%u", static_cast<unsigned>(entry.value));
    }
    return std::to_string(entry.seq) + ' ' + std::to_string(entry.timeUs) + ' ' + entry.op + ' ' +
           reg + ' ' + value + ' ' + (entry.ok ? "ok" : "fail");
}

} // namespace keypad
