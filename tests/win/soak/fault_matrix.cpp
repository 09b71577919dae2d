// Every controller register the program reads or writes, with every kind of
// fault (a read that fails all its attempts, a write that fails all its
// attempts, a register that never answers), at start-up and during the
// event or command that uses it: how long the panel's thread stops
// answering, whether the program recovers once the fault is cleared, and
// what it then did. Starts Lumitrax.exe from its own folder for each cell
// (run under a system that reports Windows XP, with a sound device, so that
// volume and mute changed on the device reach the program). Prints a table;
// fails when the panel's thread is unresponsive for longer than the bounded
// retries allow, or when the program does not recover.
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "controller/RegisterMap.h"
#include "res/resource.h"
#include "tests/win/AnswerTime.h"
#include "tests/win/SpeakerControls.h"
#include "tests/win/e2e/LumitraxSession.h"

namespace {
using namespace std::chrono_literals;
using keypad::Key;
using keypad::KeypadModel;

// The longest a fault may hold the panel's thread: a persistent read that
// gives up (about 1 s) and the slack of a loaded machine.
constexpr long kUnresponsiveLimitMs = 1500;
constexpr UINT kPingTimeoutMs = 5000;

enum class Fault { FailedRead, FailedWrite, NoAnswer };
enum class Phase { StartUp, InUse };

const char* Name(Fault fault) {
    switch (fault) {
    case Fault::FailedRead:
        return "read fails";
    case Fault::FailedWrite:
        return "write fails";
    case Fault::NoAnswer:
        return "no answer";
    }
    return "";
}

// Pings the panel window while it lives and keeps the longest time it took
// to answer (a ping that times out counts as the whole wait).
class Pinger {
public:
    explicit Pinger(HWND panel)
        : thread_([this, panel] {
              while (!stop_) {
                  // No answer counts as the whole wait.
                  const long took = AnswerTimeMs(panel, kPingTimeoutMs).value_or(kPingTimeoutMs);
                  worst_ = std::max(worst_.load(), took);
                  Sleep(10);
              }
          }) {}
    ~Pinger() {
        stop_ = true;
        thread_.join();
    }
    long Worst() const { return worst_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<long> worst_{0};
    std::thread thread_;
};

struct Cell {
    uint16_t reg;
    Fault fault;
    Phase phase;
    // Makes the program use the register (nothing at start-up: it does).
    std::function<void(LumitraxSession&, HWND)> use;
    char op; // how the program uses it: 'R' or 'W'
};

void Press(LumitraxSession& session, Key key) {
    const keypad::LogEntry press = session.Press(key);
    session.WaitFor('R', 23, press.seq, 3s);
}

void Click(HWND panel, int id) {
    PostMessageA(panel, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(panel, id)));
}

// The id of the speakers' volume control of mixer 0 (the same for every
// process that opens the mixer); 0 when there is none.
DWORD VolumeControlId() {
    return SpeakerControls().VolumeId();
}

// Opens the firmware box: the panel shown and clicked, so that it has the
// keyboard, then Ctrl+F3; the box is answered once it is up. The cell fails
// when its registers are not read; what did not happen is printed.
void FirmwareBox(LumitraxSession& session, HWND panel) {
    Press(session, Key::BrightnessUp);
    if (!WaitUntil([panel] { return IsWindowVisible(panel) != 0; }, 5s) ||
        !ClickControl(panel, IDC_LEVEL_MARKER) || !Xdotool("key ctrl+F3")) {
        std::printf("firmware box: the key did not reach the panel\n");
        return;
    }
    const HWND box = session.Program().WaitForAnyMessageBox(10s);
    if (!box) {
        std::printf("firmware box: none came within 10 s\n");
        return;
    }
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    if (!WaitUntil([&] { return IsWindowEnabled(panel) != 0; }, 5s))
        std::printf("firmware box: the panel stayed disabled 5 s after OK\n");
}

std::vector<Cell> Cells() {
    std::vector<Cell> cells;
    const auto key = [](Key k) {
        return [k](LumitraxSession& session, HWND) { Press(session, k); };
    };
    const auto nothing = [](LumitraxSession&, HWND) {};
    // Read at start-up.
    for (uint16_t reg :
         {REG_STATUS, REG_FUNCTION, REG_VERSION, REG_VOLUME, REG_BRIGHTNESS, REG_LUX})
        for (Fault fault : {Fault::FailedRead, Fault::NoAnswer})
            cells.push_back({reg, fault, Phase::StartUp, nothing, 'R'});
    // Read in a controller event.
    for (uint16_t reg : {REG_CHANGE_VALUE, REG_BRIGHTNESS, REG_VOLUME, REG_STATUS, REG_BACKLIGHT})
        for (Fault fault : {Fault::FailedRead, Fault::NoAnswer})
            cells.push_back({reg, fault, Phase::InUse, key(Key::VolumeUp), 'R'});
    // Read for the firmware box (Ctrl+F3 on the panel).
    for (uint16_t reg : {REG_TYPE, REG_RDNUM})
        for (Fault fault : {Fault::FailedRead, Fault::NoAnswer})
            cells.push_back({reg, fault, Phase::InUse, FirmwareBox, 'R'});
    // Written by a command, a sync or an event.
    const std::vector<std::pair<uint16_t, std::function<void(LumitraxSession&, HWND)>>> writes = {
        {REG_SET_DIMMING, [](LumitraxSession&, HWND panel) { Click(panel, 1003); }},
        {REG_SET_LOCK, [](LumitraxSession&, HWND panel) { Click(panel, 1006); }},
        {REG_SET_BACKLIGHT, [](LumitraxSession&, HWND panel) { Click(panel, 1009); }},
        {REG_SET_LUX,
         [](LumitraxSession&, HWND panel) { PostMessageA(panel, WM_COMMAND, 32776, 0); }},
        {REG_SET_BRIGHTNESS,
         [](LumitraxSession&, HWND panel) {
             PostMessageA(GetDlgItem(panel, 1002), WM_KEYDOWN, VK_RIGHT, 0);
         }},
        // The volume slider a step up: the program sets the device, whose
        // report (which the system's mixer here does not send, so it is sent
        // for it) goes to the controller.
        {REG_SET_VOLUME,
         [](LumitraxSession&, HWND panel) {
             // Sent, so that the slider's own message to the panel is queued
             // before the device's report.
             SendMessageTimeoutA(GetDlgItem(panel, 1002), WM_KEYDOWN, VK_RIGHT, 0, SMTO_ABORTIFHUNG,
                                 5000, nullptr);
             PostMessageA(panel, MM_MIXM_CONTROL_CHANGE, 0, static_cast<LPARAM>(VolumeControlId()));
         }},
        // The function button of the volume arrangement: the device's mute
        // the other way, which the poll thread then writes to the controller.
        {REG_MUTE, [](LumitraxSession&, HWND panel) { Click(panel, 1009); }},
    };
    for (const auto& [reg, use] : writes)
        for (Fault fault : {Fault::FailedWrite, Fault::NoAnswer})
            cells.push_back({reg, fault, Phase::InUse, use, 'W'});
    return cells;
}

void Inject(KeypadModel& model, const Cell& cell) {
    switch (cell.fault) {
    case Fault::FailedRead:
        model.FailNextReads(cell.reg, 5); // every attempt of one read
        break;
    case Fault::FailedWrite:
        model.FailNextWrites(cell.reg, 6); // every attempt of one write
        break;
    case Fault::NoAnswer:
        model.StopAnswering(cell.reg);
        break;
    }
}

// Whether the log after seq has an access of op to reg with the given outcome.
bool Accessed(LumitraxSession& session, uint64_t seq, char op, uint16_t reg, bool ok) {
    for (const keypad::LogEntry& e : session.Entries(seq))
        if (e.op == op && e.reg == reg && (e.ok != 0) == ok)
            return true;
    return false;
}
} // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::printf("%-4s %-12s %-9s %14s  %-9s %s\n", "reg", "fault", "when", "unresponsive",
                "recovered", "afterwards");
    int failed = 0;
    for (const Cell& cell : Cells()) {
        LumitraxSession session(keypad::Profile::Extended);
        if (cell.phase == Phase::StartUp)
            session.Sim().Run([&](KeypadModel& model, uint64_t) { Inject(model, cell); });
        const uint64_t begin = session.LastSeq();
        if (!session.Program().Start()) {
            std::printf("cannot start Lumitrax.exe\n");
            return 2;
        }
        const HWND panel = session.Program().WaitForPanel(30s);
        long worst = -1;
        bool faulted = false;
        bool recovered = false;
        std::string afterwards = "the panel did not come";
        if (panel) {
            Pinger pinger(panel);
            const bool polling = session.WaitFor('G', std::nullopt, begin, 30s).has_value();
            if (cell.phase == Phase::InUse) {
                // Brightness or volume arrangement, as the use needs.
                const bool brightness =
                    cell.reg == REG_SET_BRIGHTNESS || cell.reg == REG_SET_BACKLIGHT;
                Press(session, brightness ? Key::BrightnessUp : Key::VolumeUp);
                session.Sim().Run([&](KeypadModel& model, uint64_t) { Inject(model, cell); });
                const uint64_t used = session.LastSeq();
                cell.use(session, panel);
                session.WaitFor(cell.op, cell.reg, used, 3s);
                // The rest of the event or command: the poll thread's next cycle.
                session.WaitFor('G', std::nullopt, session.LastSeq(), 3s);
            }
            faulted = Accessed(session, begin, cell.op, cell.reg, false);
            // Cleared: the same use again, and a key event, must work.
            session.Sim().Run([](KeypadModel& model, uint64_t) { model.ClearFaults(); });
            const uint64_t cleared = session.LastSeq();
            if (cell.phase == Phase::InUse) {
                cell.use(session, panel);
                recovered = session.WaitFor(cell.op, cell.reg, cleared, 3s).has_value() &&
                            Accessed(session, cleared, cell.op, cell.reg, true);
            } else {
                Press(session, Key::VolumeUp);
                recovered = polling && Accessed(session, cleared, 'R', REG_STATUS, true);
            }
            const keypad::LogEntry event = session.Press(Key::BrightnessDown);
            // The event's last read (the status; the backlight is read only
            // with extended registers, which a failed first status read leaves out).
            recovered = recovered && session.WaitFor('R', REG_STATUS, event.seq, 3s).has_value();
            if (getenv("FAULT_MATRIX_LOG"))
                std::printf("  %s\n", session.Accesses(begin, true).c_str());
            worst = pinger.Worst();
            afterwards = std::string(faulted ? "fault met; " : "fault not met; ") +
                         (IsWindowVisible(panel) ? "panel shown" : "panel hidden");
            PostMessageA(panel, WM_CLOSE, 0, 0);
        }
        const bool ended = session.Program().WaitForExit(10s).has_value();
        const bool ok =
            panel && faulted && worst >= 0 && worst <= kUnresponsiveLimitMs && recovered && ended;
        failed += ok ? 0 : 1;
        std::printf("%-4u %-12s %-9s %11ld ms  %-9s %s%s\n", cell.reg, Name(cell.fault),
                    cell.phase == Phase::StartUp ? "start-up" : "in use", worst,
                    recovered ? "yes" : "NO", afterwards.c_str(),
                    ended ? "" : "; did not end on close");
    }
    std::printf("\nlimit: unresponsive at most %ld ms, and recovery every time: %s\n",
                kUnresponsiveLimitMs, failed ? "FAILED" : "met");
    return failed ? 1 : 0;
}
