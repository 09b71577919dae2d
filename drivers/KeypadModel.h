#pragma once
// The simulated keypad controller: its registers, keys, input line, injected
// faults and an access log. All of it lives in one fixed-size record without
// pointers (KeypadState), so that the record can sit in memory shared by
// several processes; KeypadModel works on such a record. Times are passed in
// as microseconds on one clock, so the model itself reads no clock.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "shared/SmbRequest.h"

namespace keypad {

enum class Profile : uint8_t {
    Extended, // status bit 2 set, every register of the map present
    Basic,    // status bit 2 clear, the extended registers do not answer
};

enum class Key : uint8_t {
    BrightnessUp,
    BrightnessDown,
    VolumeUp,
    VolumeDown,
    Mute,
    Backlight,
    Lock,
    Dimming,
};
constexpr int kKeyCount = 8;

// Register numbers. Quantities are read from one register and written to
// another. The program has its own map (controller/RegisterMap.h); this one
// is written out again on purpose, so that the simulator stays an
// independent judge of the accesses the program makes.
namespace reg {
constexpr uint16_t kBrightness = 1;
constexpr uint16_t kVolume = 2;
constexpr uint16_t kMuteWrite = 7;
constexpr uint16_t kBrightnessWrite = 8;
constexpr uint16_t kVolumeWrite = 9;
constexpr uint16_t kVersion = 17;
constexpr uint16_t kStatus = 18;
constexpr uint16_t kBacklightWrite = 20;
constexpr uint16_t kDimmingWrite = 21;
constexpr uint16_t kType = 22;
constexpr uint16_t kBacklight = 23;
constexpr uint16_t kRdNum = 24;
constexpr uint16_t kFunction = 25;
constexpr uint16_t kLux = 27;
constexpr uint16_t kChangeValue = 28;
constexpr uint16_t kLuxWrite = 32;
constexpr uint16_t kLockWrite = 33;
} // namespace reg

// Bits of the status register (18).
namespace status {
constexpr uint8_t kMute = 0x01;
constexpr uint8_t kExtended = 0x04;
constexpr uint8_t kDimming = 0x10;
constexpr uint8_t kLocked = 0x80;
} // namespace status

// Bits of register 28 (CHANGE_VALUE).
namespace change {
constexpr uint8_t kBrightness = 0x01;
constexpr uint8_t kVolume = 0x02;
} // namespace change

constexpr uint8_t kMaxLevel = 20;
constexpr uint8_t kDriverVersion = 0x1A;
constexpr uint8_t kLibraryVersion = 0x20;

constexpr uint16_t kRegisterSlots = 34; // register numbers 0 to 33
constexpr uint32_t kLogCapacity = 65536;

// One access of the host (R, W, G, V) or one key press (K).
struct LogEntry {
    uint64_t seq;    // 1, 2, 3, ... never reused, not even by a reset
    uint64_t timeUs; // when it happened
    uint32_t
        value;    // R: value read; W: data written; G: line level;
                  // V: driver version << 8 | library version; K: new value of the changed register
    uint16_t reg; // R, W: register number; K: the Key; G, V: 0
    char op;      // 'R', 'W', 'G', 'V' or 'K'
    uint8_t ok;   // 1 answered, 0 failed
};

struct RegisterFaults {
    uint32_t failReads;  // the next this many reads fail
    uint32_t failWrites; // the next this many writes fail
    uint8_t noAnswer;    // every access fails
    uint8_t hangs;       // every access holds its caller until the fault is cleared
};

struct KeypadState {
    uint32_t magic; // kStateMagic once initialised
    uint8_t profile;
    uint8_t inputLineLow;   // a key was pressed and register 18 not read since
    uint8_t inputLineFails; // GetValue fails
    uint8_t rdNumPosition;  // which of rdNum the next read of register 24 gives
    uint8_t rdNum[3];
    uint8_t registers[kRegisterSlots]; // by number; write registers keep the last byte written
    RegisterFaults faults[kRegisterSlots];
    uint64_t lastSeq;
    LogEntry log[kLogCapacity]; // entry with sequence s at index (s - 1) % kLogCapacity
};
static_assert(std::is_trivially_copyable_v<KeypadState>, "KeypadState is copied as bytes");
static_assert(std::is_standard_layout_v<KeypadState>, "KeypadState lives in shared memory");

constexpr uint32_t kStateMagic = 0x4B505302; // changes whenever KeypadState changes

// Chooses log entries, as `keypadctl wait` does: an operation and either one
// register (a key for K) or any.
struct LogPattern {
    char op;
    std::optional<uint16_t> reg;
    bool Matches(const LogEntry& entry) const;
};

class KeypadModel {
public:
    explicit KeypadModel(KeypadState& state) : state_(state) {}

    // Makes a zeroed or stale record a fresh controller with an empty log.
    void Initialise(Profile profile);
    bool IsInitialised() const { return state_.magic == kStateMagic; }
    // Power-on state of the profile; faults are cleared, the log is kept.
    void Reset(Profile profile);

    // The host's accesses, as the driver library makes them; each is logged.
    // Only slave address 0x68 answers. A read stores the byte in the low
    // byte of request.data (upper bytes zero) and leaves it alone on failure.
    bool Read(SmbRequest& request, uint64_t nowUs);
    bool Write(const SmbRequest& request, uint64_t nowUs);
    bool ReadInputLine(uint8_t& level, uint64_t nowUs);
    void ReadVersions(uint8_t& driverVersion, uint8_t& libraryVersion, uint64_t nowUs);

    // Gives the K entry it logged.
    LogEntry PressKey(Key key, uint64_t nowUs);

    // The controller's side, for tools and tests: not logged, no event.
    // peek knows every register of the map (a write register gives the last
    // byte written); set only those the host reads.
    std::optional<uint8_t> Peek(uint16_t reg) const;
    bool Set(uint16_t reg, uint8_t value);

    // Faults; each returns false for a register the map does not know.
    bool FailNextReads(uint16_t reg, uint32_t count);
    bool FailNextWrites(uint16_t reg, uint32_t count);
    bool StopAnswering(uint16_t reg);
    bool Hang(uint16_t reg);
    void FailInputLine();
    void ClearFaults();

    // An access of reg would hold its caller now (the driver library waits
    // outside the block's lock until it no longer would).
    bool Hangs(uint16_t reg) const { return reg < kRegisterSlots && state_.faults[reg].hangs; }

    uint64_t LastSeq() const { return state_.lastSeq; }
    // Entries with a sequence number above afterSeq that the log still holds.
    std::vector<LogEntry> EntriesAfter(uint64_t afterSeq) const;
    std::optional<LogEntry> FindAfter(const LogPattern& pattern, uint64_t afterSeq) const;

private:
    bool Answers(uint16_t reg, bool forWrite);
    void ApplyWrite(uint16_t reg, uint8_t value);
    LogEntry Log(char op, uint16_t reg, uint32_t value, bool ok, uint64_t nowUs);

    KeypadState& state_;
};

bool IsKnownRegister(uint16_t reg);
bool IsReadableRegister(uint16_t reg);

const char* KeyName(Key key);
std::optional<Key> ParseKey(std::string_view name);
std::optional<Profile> ParseProfile(std::string_view name);

// "SEQ TIME_US OP REG VALUE RESULT": REG is the key's name for K and "-" for
// G and V; VALUE is decimal, "-" for a failed read, and 0xDDLL (driver and
// library version) for V; RESULT is "ok" or "fail".
std::string FormatLogEntry(const LogEntry& entry);

} // namespace keypad
