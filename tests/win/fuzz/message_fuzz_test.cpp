// Hostile input from outside the program: a flood of random window messages
// posted to the panel by another process, controller registers far outside
// their ranges, malformed keypadctl command lines and a malformed registry
// value. None of it may end or hang the program, show a message box, or make
// it write to the controller on its own; afterwards a key of the keypad still
// shows the panel. The messages that do act, each posted as anyone may post
// it, do what their table says and leave the program working fully or ended
// cleanly.
//
// The short form runs in `make test`; LUMITRAX_SOAK=full makes the long run
// (more messages, every value instead of a sample). LUMITRAX_FUZZ_SEED
// replaces the fixed seed, to follow up a failure of another seed.
#include <gtest/gtest.h>

#include <windows.h>

#include <mmsystem.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "drivers/KeypadCommand.h"
#include "framework/Dpi.h"
#include "res/resource.h"
#include "shared/PanelMessages.h"
#include "tests/win/AnswerTime.h"
#include "tests/win/MessageBoxes.h"
#include "tests/win/ShellIcon.h"
#include "tests/win/StartProcess.h"
#include "tests/win/e2e/LumitraxSession.h"
#include "tests/win/panel_pictures.h"

namespace {
using namespace std::chrono_literals;
using keypad::Key;
using keypad::KeypadModel;
using keypad::LogEntry;
using keypad::Profile;

constexpr auto kStartTimeout = 60s;
constexpr uint64_t kDefaultSeed = 20240611;

std::string Environment(const char* name) {
    char value[64] = "";
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

bool SoakRun() {
    return Environment("LUMITRAX_SOAK") == "full";
}

uint64_t FuzzSeed() {
    const std::string text = Environment("LUMITRAX_FUZZ_SEED");
    return text.empty() ? kDefaultSeed : std::strtoull(text.c_str(), nullptr, 0);
}

// --- The program as seen from outside ---

bool Answers(HWND window, UINT timeoutMs) {
    return AnswerTimeMs(window, timeoutMs).has_value();
}

// Visible dialogs of one process other than its panel (message boxes, the
// About box), with the texts they show.
struct StrayDialogs {
    DWORD processId;
    HWND panel;
    std::string texts;
    std::vector<HWND> windows;

    static BOOL CALLBACK Visit(HWND window, LPARAM param) {
        auto& self = *reinterpret_cast<StrayDialogs*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != self.processId || window == self.panel || !IsWindowVisible(window) ||
            !IsDialog(window))
            return TRUE;
        self.windows.push_back(window);
        self.texts += "[";
        HWND child = nullptr;
        while ((child = FindWindowExA(window, child, "Static", nullptr))) {
            char text[256] = "";
            GetWindowTextA(child, text, sizeof text);
            self.texts += text;
        }
        self.texts += "]";
        return TRUE;
    }
};

StrayDialogs StrayDialogsOf(DWORD processId, HWND panel) {
    StrayDialogs search{processId, panel, {}, {}};
    EnumWindows(StrayDialogs::Visit, reinterpret_cast<LPARAM>(&search));
    return search;
}

// Alive, answering within a second, and no message box up.
::testing::AssertionResult Healthy(LumitraxSession& session, HWND panel) {
    if (const std::optional<DWORD> status = session.Program().WaitForExit(0ms))
        return ::testing::AssertionFailure()
               << "the program ended with status 0x" << std::hex << *status;
    if (!Answers(panel, 1000))
        return ::testing::AssertionFailure() << "the panel did not answer within 1 s";
    const std::string dialogs = StrayDialogsOf(session.Program().Id(), panel).texts;
    if (!dialogs.empty())
        return ::testing::AssertionFailure() << "a dialog is up: " << dialogs;
    return ::testing::AssertionSuccess();
}

// Starts the session's program; its panel, or null when it did not come up.
HWND StartProgram(LumitraxSession& session) {
    const uint64_t before = session.LastSeq();
    if (!session.Program().Start()) {
        ADD_FAILURE() << "Lumitrax.exe did not start (its error is on stderr)";
        return nullptr;
    }
    if (!session.WaitFor('G', std::nullopt, before, kStartTimeout)) {
        const std::optional<DWORD> status = session.Program().WaitForExit(0ms);
        ADD_FAILURE() << "the program did not start polling; "
                      << (status ? "it ended with status " + std::to_string(*status)
                                 : std::string("it still runs"));
        return nullptr;
    }
    const HWND panel = session.Program().WaitForPanel(5s);
    if (!panel)
        ADD_FAILURE() << "the program has no panel";
    return panel;
}

void CloseNormally(LumitraxSession& session, HWND panel) {
    PostMessageA(panel, WM_CLOSE, 0, 0);
    EXPECT_EQ(session.Program().WaitForExit(10s), std::optional<DWORD>(0));
}

// Waits until the poll thread has run count more cycles.
bool WaitCycles(LumitraxSession& session, int count) {
    for (int i = 0; i < count; ++i)
        if (!session.WaitFor('G', std::nullopt, session.LastSeq(), 2s))
            return false;
    return true;
}

// The register writes after seq, as "W8=20 W9=3".
std::string Writes(LumitraxSession& session, uint64_t afterSeq) {
    std::string out;
    for (const LogEntry& e : session.Entries(afterSeq))
        if (e.op == 'W')
            out +=
                (out.empty() ? "W" : " W") + std::to_string(e.reg) + "=" + std::to_string(e.value);
    return out;
}

// A key press whose event finds the given registers set as well, all in one
// step of the controller: the key's own change is overwritten before the
// program can read it.
LogEntry PressWith(LumitraxSession& session, Key key,
                   const std::vector<std::pair<uint16_t, uint8_t>>& registers) {
    return session.Sim().Run([&](KeypadModel& model, uint64_t now) {
        const LogEntry press = model.PressKey(key, now);
        for (const auto& [reg, value] : registers)
            model.Set(reg, value);
        return press;
    });
}

// Waits until the panel's thread has handled every message posted to it so
// far. A sent message overtakes posted ones, so its answer proves nothing
// about them. Instead the shell forgets the tray icon and a posted "task bar
// created" has the program add it again, as after a restart of the shell:
// the icon is back once the messages before that one are through.
bool WaitUntilDrained(HWND panel, std::chrono::milliseconds timeout) {
    ShellForgetsTrayIcon(panel);
    if (ShellHasTrayIcon(panel))
        return false;
    static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    return PostMessageA(panel, taskbarCreated, 0, 0) &&
           WaitUntil([panel] { return ShellHasTrayIcon(panel); }, timeout);
}

// --- Random messages ---

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// --- Messages that act ---

// What a message that acts may do; the program works on afterwards unless
// it ends.
enum class Outcome {
    Nothing, // no register written, no box
    Panel,   // the panel shown, hidden or rearranged, and nothing else
    Writes,  // these register writes
    OneBox,  // one box up (the About box), owned by the panel
    Menu,    // the tray menu opens
    Ends,    // the program ends with status 0, its tray icon deleted
};

// What a person or the system asks for with a message, and what anyone
// else may ask for with it. Posted to the panel, or to the control given
// (keys, destruction); a command comes from that control's window (lParam).
struct ActingMessage {
    const char* what;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    int control;
    int times;
    Outcome outcome;
    const char* writes;
    bool trayMenuUp = false; // posted while the tray menu is up
};

constexpr WPARAM Click(int id) {
    return MAKEWPARAM(id, BN_CLICKED);
}

// The table of every message that acts, on a controller with the extended
// registers that offers every function. The keypad's brightness is 10
// before each. The registered "TaskbarCreated" (the tray icon added again)
// is posted by every check of health (WaitUntilDrained).
const std::vector<ActingMessage>& ActingMessages() {
    using O = Outcome;
    static const std::vector<ActingMessage> table = {
        {"WM_DESTROY", WM_DESTROY, 0, 0, 0, 1, O::Nothing, ""},
        {"WM_NCDESTROY", WM_NCDESTROY, 0, 0, 0, 1, O::Nothing, ""},
        {"WM_DESTROY to the slider", WM_DESTROY, 0, 0, IDC_LEVEL_SLIDER, 1, O::Nothing, ""},
        {"WM_NCDESTROY to the slider", WM_NCDESTROY, 0, 0, IDC_LEVEL_SLIDER, 1, O::Nothing, ""},
        {"WM_DESTROY to the slider with the tray menu up", WM_DESTROY, 0, 0, IDC_LEVEL_SLIDER, 1,
         O::Nothing, "", true},
        {"WM_NCDESTROY to the slider with the tray menu up", WM_NCDESTROY, 0, 0, IDC_LEVEL_SLIDER,
         1, O::Nothing, "", true},
        {"WM_QUIT", WM_QUIT, 0, 0, 0, 1, O::Nothing, ""},
        {"WM_QUERYENDSESSION", WM_QUERYENDSESSION, 0, 0, 0, 1, O::Nothing, ""},
        {"WM_ENDSESSION called off", WM_ENDSESSION, FALSE, 0, 0, 1, O::Nothing, ""},
        {"WM_ENDSESSION called off for the Restart Manager", WM_ENDSESSION, FALSE,
         ENDSESSION_CLOSEAPP, 0, 1, O::Nothing, ""},
        {"IDOK", WM_COMMAND, IDOK, 0, 0, 1, O::Nothing, ""},
        {"IDCANCEL", WM_COMMAND, IDCANCEL, 0, 0, 1, O::Nothing, ""},
        {"Enter on a button", WM_KEYDOWN, VK_RETURN, 0, IDC_FUNCTION, 1, O::Nothing, ""},
        {"Escape on a button", WM_KEYDOWN, VK_ESCAPE, 0, IDC_FUNCTION, 1, O::Nothing, ""},
        {"Ctrl+Break on a button", WM_KEYDOWN, VK_CANCEL, 0, IDC_FUNCTION, 1, O::Nothing, ""},
        {"the dimming button twice", WM_COMMAND, Click(IDC_DIMMING), 0, IDC_DIMMING, 2, O::Writes,
         "W21=1 W21=0"},
        {"the dimming button's click from no window", WM_COMMAND, Click(IDC_DIMMING), 0, 0, 1,
         O::Nothing, ""},
        {"the Lock button twice", WM_COMMAND, Click(IDC_LOCK), 0, IDC_LOCK, 2, O::Writes,
         "W33=1 W33=0"},
        {"the Lock button's click from no window", WM_COMMAND, Click(IDC_LOCK), 0, 0, 1, O::Nothing,
         ""},
        {"the function button twice", WM_COMMAND, Click(IDC_FUNCTION), 0, IDC_FUNCTION, 2,
         O::Writes, "W20=0 W20=1"},
        {"the buzzer button", WM_COMMAND, Click(IDC_BUZZER), 0, IDC_BUZZER, 1, O::Nothing, ""},
        {"the switch button twice", WM_COMMAND, Click(IDC_SWITCH), 0, IDC_SWITCH, 2, O::Panel, ""},
        {"About x100", WM_COMMAND, ID_ABOUT, 0, 0, 100, O::OneBox, ""},
        {"the system menu's About x100", WM_SYSCOMMAND, 16, 0, 0, 100, O::OneBox, ""},
        {"SC_MINIMIZE", WM_SYSCOMMAND, SC_MINIMIZE, 0, 0, 1, O::Panel, ""},
        {"SC_MAXIMIZE", WM_SYSCOMMAND, SC_MAXIMIZE, 0, 0, 1, O::Panel, ""},
        {"Office", WM_COMMAND, ID_ENV_OFFICE, 0, 0, 1, O::Writes, "W32=1"},
        {"Normal", WM_COMMAND, ID_ENV_NORMAL, 0, 0, 1, O::Writes, "W32=2"},
        {"Factory", WM_COMMAND, ID_ENV_FACTORY, 0, 0, 1, O::Writes, "W32=3"},
        {"Outdoor", WM_COMMAND, ID_ENV_OUTDOOR, 0, 0, 1, O::Writes, "W32=4"},
        {"a left click on the tray icon twice", WM_TRAYICON, kTrayIconId, WM_LBUTTONDOWN, 0, 2,
         O::Panel, ""},
        {"a right click on the tray icon", WM_TRAYICON, kTrayIconId, WM_RBUTTONUP, 0, 1, O::Menu,
         ""},
        {"Right on the slider", WM_KEYDOWN, VK_RIGHT, 0, IDC_LEVEL_SLIDER, 1, O::Writes, "W8=11"},
        {"Left on the slider", WM_KEYDOWN, VK_LEFT, 0, IDC_LEVEL_SLIDER, 1, O::Writes, "W8=9"},
        {"the slider released", WM_SLIDER_MOVED, IDC_LEVEL_SLIDER, 0, 0, 1, O::Nothing, ""},
        {"the slider dragged", WM_SLIDER_MOVING, IDC_LEVEL_SLIDER, 0, 0, 1, O::Nothing, ""},
        {"winmm_devicechange", RegisterWindowMessageA("winmm_devicechange"), 0, 0, 0, 1, O::Nothing,
         ""},
        // Scale messages are the system's to send: posted, their scale is
        // not the window's and their rectangle or size no pointer of the
        // program's. The panel keeps its scale, size and place.
        {"WM_DPICHANGED posted with no rectangle", WM_DPICHANGED, MAKEWPARAM(144, 144), 0, 0, 1,
         O::Nothing, ""},
        {"WM_DPICHANGED posted for 1 dpi", WM_DPICHANGED, MAKEWPARAM(1, 1), 0, 0, 1, O::Nothing,
         ""},
        {"WM_DPICHANGED posted for 8000 dpi", WM_DPICHANGED, MAKEWPARAM(8000, 8000), 0, 0, 1,
         O::Nothing, ""},
        {"WM_DPICHANGED posted for 65535 dpi, a rectangle elsewhere", WM_DPICHANGED, 0xFFFFFFFF,
         0x10000, 0, 1, O::Nothing, ""},
        {"WM_GETDPISCALEDSIZE posted with no size", WM_GETDPISCALEDSIZE, 144, 0, 0, 1, O::Nothing,
         ""},
        {"WM_GETDPISCALEDSIZE posted for 65535 dpi, a size elsewhere", WM_GETDPISCALEDSIZE, 65535,
         0x10000, 0, 1, O::Nothing, ""},
        {"WM_CLOSE", WM_CLOSE, 0, 0, 0, 1, O::Ends, ""},
        {"WM_ENDSESSION", WM_ENDSESSION, TRUE, 0, 0, 1, O::Ends, ""},
        {"WM_ENDSESSION of the Restart Manager", WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, 0, 1,
         O::Ends, ""},
        {"WM_CLOSE with the tray menu up", WM_CLOSE, 0, 0, 0, 1, O::Ends, "", true},
        {"WM_ENDSESSION with the tray menu up", WM_ENDSESSION, TRUE, 0, 0, 1, O::Ends, "", true},
    };
    return table;
}

// What tells messages of one number apart in the table: the command's or
// slider's id, the tray icon's mouse message, the key, whether the session
// ends. Ids are taken from the low word, as a handler that looks only at
// the low word would see them.
uint32_t Meaning(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
    case WM_SLIDER_MOVING:
    case WM_SLIDER_MOVED:
        return LOWORD(wParam);
    case WM_TRAYICON:
        return LOWORD(lParam);
    case WM_KEYDOWN:
    case WM_ENDSESSION:
        return static_cast<uint32_t>(wParam);
    }
    return 0;
}

// Whether the message may rightly change the controller's or the panel's
// state, or opens a modal box or menu that would stall a run: the random
// run leaves it out.
bool Acts(const Message& m) {
    for (const ActingMessage& a : ActingMessages())
        if (a.outcome != Outcome::Nothing && a.message == m.message &&
            Meaning(a.message, a.wParam, a.lParam) == Meaning(m.message, m.wParam, m.lParam))
            return true;
    return false;
}

class MessageFuzzer {
public:
    MessageFuzzer(uint64_t seed, std::vector<HWND> controls)
        : random_(seed), controls_(std::move(controls)) {}

    Message Next() {
        for (;;) {
            const Message m = Draw();
            if (!Acts(m))
                return m;
        }
    }

private:
    enum Kind { PrivateRange, TrayIcon, Command, Slider, Mixer };

    Message Draw() {
        // Weights of the kinds, in the order of Kind.
        std::discrete_distribution<int> kinds{30, 15, 20, 15, 20};
        switch (static_cast<Kind>(kinds(random_))) {
        case PrivateRange:
            return {Below(5) ? WM_USER + Below(65) : WM_APP + Below(17), AnyParam(), AnyLParam()};
        case TrayIcon:
            return {WM_TRAYICON, Below(2) ? 100 : AnyParam(), TrayLParam()};
        case Command:
            return {WM_COMMAND, MAKEWPARAM(CommandId(), Notification()), CommandLParam()};
        case Slider:
            return {Below(2) ? WM_SLIDER_MOVED : WM_SLIDER_MOVING, SliderId(), AnyLParam()};
        case Mixer:
            return {MixerMessage(), AnyParam(),
                    Below(2) ? static_cast<LPARAM>(Below(16)) : AnyLParam()};
        }
        return {WM_NULL, 0, 0};
    }

    // A line change reopens the mixer. Wine's mixer reads the volume as full
    // from the 256th open of a process on and refuses opens from the 512th,
    // which no real system does: a run asks for 200 line changes and for
    // control changes after that.
    UINT MixerMessage() {
        const bool lineChange = Below(2) != 0;
        if (lineChange && lineChangesLeft_ > 0) {
            --lineChangesLeft_;
            return MM_MIXM_LINE_CHANGE;
        }
        return MM_MIXM_CONTROL_CHANGE;
    }

    UINT Below(UINT n) { return std::uniform_int_distribution<UINT>(0, n - 1)(random_); }

    // Any bits, or one of the values that tend to break handlers.
    WPARAM AnyParam() {
        static const uint64_t special[] = {
            0,          1,          2,          0xFFFF,     0x10000,
            0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, UINT64_MAX, 0x8000000000000000ull};
        switch (Below(4)) {
        case 0:
            return static_cast<WPARAM>(special[Below(std::size(special))]);
        case 1:
            return Below(32);
        case 2:
            return static_cast<WPARAM>(random_() & 0xFFFFFFFFu);
        default:
            return static_cast<WPARAM>(random_());
        }
    }
    LPARAM AnyLParam() { return static_cast<LPARAM>(AnyParam()); }

    // A mouse or notification code of the shell, sometimes with an icon id
    // in the high word, or anything.
    LPARAM TrayLParam() {
        static const UINT codes[] = {
            WM_MOUSEMOVE,     WM_LBUTTONUP,   WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
            WM_RBUTTONDBLCLK, WM_MBUTTONDOWN, WM_MBUTTONUP,     WM_MBUTTONDBLCLK,
            WM_MOUSEWHEEL,    WM_XBUTTONDOWN, WM_XBUTTONUP,     WM_CONTEXTMENU,
            WM_USER + 0, // select
            WM_USER + 1, // key select
            WM_USER + 2, // balloon shown
            WM_USER + 3, // balloon hidden
            WM_USER + 4, // balloon timed out
            WM_USER + 5, // balloon clicked
            WM_USER + 6, // pop-up open
            WM_USER + 7, // pop-up close
        };
        switch (Below(3)) {
        case 0:
            return codes[Below(std::size(codes))];
        case 1:
            return MAKELPARAM(codes[Below(std::size(codes))], Below(2) ? 100 : Below(0x10000));
        default:
            return AnyLParam();
        }
    }

    // Ids near the program's own (controls, menu commands, resources) and any.
    WORD CommandId() {
        switch (Below(5)) {
        case 0:
            return static_cast<WORD>(Below(21));
        case 1:
            return static_cast<WORD>(995 + Below(31));
        case 2:
            return static_cast<WORD>(32765 + Below(36));
        case 3:
            return static_cast<WORD>(100 + Below(80));
        default:
            return static_cast<WORD>(Below(0x10000));
        }
    }
    WORD Notification() {
        static const WORD codes[] = {BN_CLICKED, 1, BN_DOUBLECLICKED, BN_SETFOCUS, BN_KILLFOCUS};
        return Below(4) ? codes[Below(std::size(codes))] : static_cast<WORD>(Below(0x10000));
    }
    // No control, one of the panel's controls, or any handle.
    LPARAM CommandLParam() {
        switch (Below(3)) {
        case 0:
            return 0;
        case 1:
            if (!controls_.empty())
                return reinterpret_cast<LPARAM>(controls_[Below(UINT(controls_.size()))]);
            return 0;
        default:
            return AnyLParam();
        }
    }
    WPARAM SliderId() { return Below(2) ? static_cast<WPARAM>(995 + Below(21)) : AnyParam(); }

    std::mt19937_64 random_;
    std::vector<HWND> controls_;
    int lineChangesLeft_ = 200;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

std::vector<HWND> ChildrenOf(HWND window) {
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

TEST(MessageFuzz, RandomMessagesFromAnotherProcessChangeNothing) {
    const int count = SoakRun() ? 100000 : 5000;
    const uint64_t seed = FuzzSeed();
    std::printf("message fuzz: seed %llu, %d messages\n", static_cast<unsigned long long>(seed),
                count);
    std::fflush(stdout);

    LumitraxSession session(Profile::Extended);
    const HWND panel = StartProgram(session);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(WaitUntilDrained(panel, 5s)) << "the tray icon does not come back";

    MessageFuzzer fuzzer(seed, ChildrenOf(panel));
    const uint64_t fuzzStart = session.LastSeq();
    const auto began = std::chrono::steady_clock::now();
    int posted = 0, refused = 0;
    std::string stall;
    for (int i = 1; i <= count && stall.empty(); ++i) {
        const Message m = fuzzer.Next();
        if (PostMessageA(panel, m.message, m.wParam, m.lParam))
            ++posted;
        else
            ++refused;
        // Paced: the queue is let drain every 500 messages.
        if (i % 500 != 0 && i != count)
            continue;
        const std::string where = "after message " + std::to_string(i);
        if (session.Program().WaitForExit(0ms))
            stall = "the program ended " + where;
        else if (!Answers(panel, 5000))
            stall = "the panel did not answer within 5 s " + where;
        else if (!WaitUntilDrained(panel, 30s))
            stall = "the panel's queue did not drain within 30 s " + where;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf("message fuzz: %d messages posted in %.1f s (%.0f per second)\n", posted, seconds,
                posted / seconds);
    std::fflush(stdout);
    ASSERT_EQ(stall, "") << "seed " << seed;
    EXPECT_EQ(refused, 0) << "posts refused: the queue was full";

    // Whatever the messages set going has run its course after a few cycles.
    EXPECT_TRUE(WaitCycles(session, 3));
    EXPECT_TRUE(Healthy(session, panel));
    EXPECT_EQ(Writes(session, fuzzStart), "") << "seed " << seed;

    // A key still shows the panel, and its event is read as always.
    PostMessageA(panel, WM_PANEL_HIDE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(panel); }, 2s));
    const LogEntry press = session.Press(Key::VolumeUp);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(panel) != 0; }, 2s));
    ASSERT_TRUE(session.WaitFor('R', 23, press.seq, 3s));
    const std::string reads = session.Accesses(press.seq);
    EXPECT_EQ(reads.rfind("R28 ", 0), 0u) << reads;
    EXPECT_TRUE(Healthy(session, panel));
    CloseNormally(session, panel);
}

// Works fully: a message posted to the panel comes back (and the tray
// icon with it), a key of the keypad shows the hidden panel and its event
// is read, the input line is read on, and no box is up. Leaves the keypad's
// brightness at 10, the panel shown for it.
::testing::AssertionResult Works(LumitraxSession& session, HWND panel) {
    PostMessageA(panel, WM_PANEL_HIDE, 0, 0);
    if (!WaitUntil([&] { return !IsWindowVisible(panel); }, 2s))
        return ::testing::AssertionFailure() << "the panel does not hide";
    const LogEntry press = PressWith(session, Key::BrightnessUp, {{keypad::reg::kBrightness, 10}});
    if (!WaitUntil([&] { return IsWindowVisible(panel) != 0; }, 3s))
        return ::testing::AssertionFailure() << "a key does not show the panel";
    if (IsIconic(panel) || IsZoomed(panel))
        return ::testing::AssertionFailure() << "the panel shows minimized or maximized";
    if (!session.WaitFor('R', 23, press.seq, 3s) || !WaitCycles(session, 2))
        return ::testing::AssertionFailure() << "the input line is not read on";
    if (!WaitUntilDrained(panel, 10s))
        return ::testing::AssertionFailure() << "a message posted to the panel does not come back";
    return Healthy(session, panel);
}

// The control as the screen shows it, once two looks a moment apart agree
// (its painting done); empty when they do not within 3 s.
Picture SettledPicture(HWND control) {
    Picture last = CaptureScreenOf(control);
    Picture now;
    const bool settled = WaitUntil(
        [&] {
            now = CaptureScreenOf(control);
            const bool same = now.pixels == last.pixels;
            last = now;
            return same;
        },
        3s);
    return settled ? now : Picture{};
}

TEST(MessageFuzz, EveryMessageThatActsLeavesTheProgramWorkingOrEndedCleanly) {
    std::unique_ptr<LumitraxSession> session;
    HWND panel = nullptr;
    for (const ActingMessage& a : ActingMessages()) {
        SCOPED_TRACE(a.what);
        if (!session) {
            session = std::make_unique<LumitraxSession>(Profile::Extended);
            panel = StartProgram(*session);
            ASSERT_NE(panel, nullptr);
            ASSERT_TRUE(Works(*session, panel)) << "at start-up";
        }
        const uint64_t seq = session->LastSeq();
        RECT before{};
        GetWindowRect(panel, &before);
        const HWND control = a.control ? GetDlgItem(panel, a.control) : nullptr;
        const HWND to = control && a.message != WM_COMMAND ? control : panel;
        const LPARAM lParam =
            control && a.message == WM_COMMAND ? reinterpret_cast<LPARAM>(control) : a.lParam;
        // A control that nothing should change looks the same afterwards (the
        // panel is shown for the same level then).
        const bool controlKept = control && a.outcome == Outcome::Nothing;
        const Picture controlBefore = controlKept ? SettledPicture(control) : Picture{};
        if (controlKept) {
            ASSERT_FALSE(controlBefore.pixels.empty()) << "the control's painting does not settle";
        }
        HWND menu = nullptr;
        if (a.trayMenuUp) {
            PostMessageA(panel, WM_TRAYICON, kTrayIconId, WM_RBUTTONUP);
            ASSERT_NE(menu = session->Program().WaitForMenu(5s), nullptr);
        }
        for (int i = 0; i < a.times; ++i)
            ASSERT_TRUE(PostMessageA(to, a.message, a.wParam, lParam));
        if (menu && a.outcome != Outcome::Ends) {
            PostMessageA(panel, WM_CANCELMODE, 0, 0);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }, 5s));
        }

        switch (a.outcome) {
        case Outcome::Ends:
            EXPECT_EQ(session->Program().WaitForExit(10s), std::optional<DWORD>(0));
            EXPECT_FALSE(ShellHasTrayIcon(panel)) << "the tray icon was left behind";
            session.reset();
            continue;
        case Outcome::OneBox: {
            // The box comes once the poll thread has read the versions; it
            // stays one when every request is through.
            const auto boxesUp = [&] {
                return StrayDialogsOf(session->Program().Id(), panel).windows;
            };
            ASSERT_TRUE(WaitUntil([&] { return !boxesUp().empty(); }, 10s)) << "no box comes";
            ASSERT_TRUE(WaitUntilDrained(panel, 10s));
            ASSERT_TRUE(WaitCycles(*session, 1));
            const std::vector<HWND> boxes = boxesUp();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(GetWindow(boxes[0], GW_OWNER), panel);
            PostMessageA(boxes[0], WM_COMMAND, IDOK, 0);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(boxes[0]); }, 5s)) << "OK closes it";
            break;
        }
        case Outcome::Menu: {
            const HWND menu = session->Program().WaitForMenu(5s);
            ASSERT_NE(menu, nullptr);
            PostMessageA(panel, WM_CANCELMODE, 0, 0);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }, 5s));
            break;
        }
        case Outcome::Writes:
            WaitUntil([&] { return Writes(*session, seq) == a.writes; }, 3s);
            break;
        case Outcome::Nothing:
        case Outcome::Panel:
            EXPECT_TRUE(WaitUntilDrained(panel, 10s));
            EXPECT_TRUE(WaitCycles(*session, 2));
            break;
        }
        EXPECT_EQ(Writes(*session, seq), a.writes);
        ASSERT_TRUE(Works(*session, panel));
        if (a.outcome == Outcome::Nothing || a.outcome == Outcome::Panel) {
            // Shown again, the panel has its own size (a minimized one is
            // restored by the show).
            RECT after{};
            GetWindowRect(panel, &after);
            EXPECT_EQ(after.right - after.left, before.right - before.left) << "the panel's width";
            EXPECT_EQ(after.bottom - after.top, before.bottom - before.top) << "the panel's height";
        }
        if (!controlBefore.pixels.empty()) {
            Picture after;
            EXPECT_TRUE(WaitUntil(
                [&] { return (after = CaptureScreenOf(control)).pixels == controlBefore.pixels; },
                3s))
                << Differences(after, 0, 0, controlBefore) << " pixels of the control differ";
        }
    }
    if (session)
        CloseNormally(*session, panel);
}

// --- Controller values out of range ---

TEST(ControllerValues, LevelsAboveTheRangeAreTakenAsTheTop) {
    for (const uint8_t level : {21, 100, 255}) {
        SCOPED_TRACE("level " + std::to_string(level));
        LumitraxSession session(Profile::Extended);
        session.Sim().Run([level](KeypadModel& model, uint64_t) {
            return model.Set(keypad::reg::kBrightness, level) &&
                   model.Set(keypad::reg::kVolume, level);
        });
        const HWND panel = StartProgram(session);
        ASSERT_NE(panel, nullptr);
        const uint64_t started = session.LastSeq();
        EXPECT_TRUE(WaitCycles(session, 2));
        EXPECT_TRUE(Healthy(session, panel)) << "after start-up";

        for (const Key key : {Key::BrightnessUp, Key::VolumeUp, Key::BrightnessDown,
                              Key::VolumeDown, Key::BrightnessUp}) {
            SCOPED_TRACE(keypad::KeyName(key));
            const LogEntry press = PressWith(
                session, key, {{keypad::reg::kBrightness, level}, {keypad::reg::kVolume, level}});
            ASSERT_TRUE(session.WaitFor('R', 23, press.seq, 3s));
            // The thumb released where it stands, as a person may: the
            // program takes the slider's value, which shows the level it
            // holds, 20; the controller's level counts as 20 as well, so
            // there is nothing to write.
            PostMessageA(panel, WM_SLIDER_MOVED, IDC_LEVEL_SLIDER, 0);
            EXPECT_TRUE(WaitUntilDrained(panel, 5s));
            EXPECT_TRUE(WaitCycles(session, 2));
            EXPECT_TRUE(Healthy(session, panel));
        }
        EXPECT_EQ(Writes(session, started), "");
        for (const LogEntry& e : session.Entries(0)) {
            if (e.op == 'W' &&
                (e.reg == keypad::reg::kBrightnessWrite || e.reg == keypad::reg::kVolumeWrite)) {
                EXPECT_LE(e.value, 20u) << "register " << e.reg;
            }
        }
        CloseNormally(session, panel);
    }
}

TEST(ControllerValues, EveryStatusPatternInAnEvent) {
    LumitraxSession session(Profile::Extended);
    const HWND panel = StartProgram(session);
    ASSERT_NE(panel, nullptr);
    const auto began = std::chrono::steady_clock::now();
    for (int status = 0; status <= 255; ++status) {
        SCOPED_TRACE("status " + std::to_string(status));
        const Key key = status % 2 ? Key::BrightnessUp : Key::BrightnessDown;
        const LogEntry press =
            PressWith(session, key, {{keypad::reg::kStatus, static_cast<uint8_t>(status)}});
        ASSERT_TRUE(session.WaitFor('R', 23, press.seq, 3s)) << "the event was not read";
        ASSERT_FALSE(session.Program().WaitForExit(0ms)) << "the program ended";
        ASSERT_TRUE(Answers(panel, 1000)) << "the panel did not answer within 1 s";
    }
    std::printf("256 status patterns in %.1f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
    EXPECT_TRUE(WaitCycles(session, 2));
    EXPECT_TRUE(Healthy(session, panel));
    CloseNormally(session, panel);
}

TEST(ControllerValues, EnvironmentOutOfRangeAtStartUp) {
    // 1 to 4 are the environments. The choice of the menu item is checked
    // natively for every other value; here the program starts with a few,
    // and in the long run with each bit set and the ends of the range.
    std::vector<int> values = {0, 5, 6, 128, 255};
    if (SoakRun())
        values = {0, 5, 6, 7, 8, 15, 16, 31, 32, 63, 64, 127, 128, 200, 254, 255};
    for (const int lux : values) {
        SCOPED_TRACE("environment " + std::to_string(lux));
        LumitraxSession session(Profile::Extended);
        session.Sim().Run([lux](KeypadModel& model, uint64_t) {
            return model.Set(keypad::reg::kLux, static_cast<uint8_t>(lux));
        });
        const uint64_t before = session.LastSeq();
        const HWND panel = StartProgram(session);
        ASSERT_NE(panel, nullptr);
        EXPECT_NE((" " + session.Accesses(before) + " ").find(" R27 "), std::string::npos)
            << "the environment was not read at start-up";
        EXPECT_TRUE(WaitCycles(session, 2));
        EXPECT_TRUE(Healthy(session, panel));
        CloseNormally(session, panel);
    }
}

// --- keypadctl ---

struct ToolRun {
    DWORD status = MAXDWORD;
    std::string out, err;
};

// One argument as the C runtime splits a command line: quoted, with
// backslashes before a quote doubled.
std::string Quote(const std::string& arg) {
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + '"';
}

std::string ReadAll(HANDLE pipe) {
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    return text;
}

// Runs keypadctl.exe from beside this program with the arguments; its
// status and what it wrote to each stream (status MAXDWORD when it could not
// be run, with the reason in err).
ToolRun RunKeypadctl(const std::vector<std::string>& args) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string command(path, length);
    command = Quote(command.substr(0, command.find_last_of("\\/") + 1) + "keypadctl.exe");
    for (const std::string& arg : args)
        command += " " + Quote(arg);

    ToolRun run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) ||
        !CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        run.err = "no pipe";
        return run;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    const bool started = StartProcess(command, true, 0, nullptr, startup, process);
    const DWORD startError = started ? 0 : GetLastError();
    CloseHandle(outWrite); // the child holds its own copies
    CloseHandle(errWrite);
    if (started) {
        // Both streams at once, so that neither can fill and hold the child.
        std::thread errors([&] { run.err = ReadAll(errRead); });
        run.out = ReadAll(outRead);
        errors.join();
        if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &run.status);
        else
            TerminateProcess(process.hProcess, MAXDWORD);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    } else {
        run.err = "cannot start keypadctl.exe (error " + std::to_string(startError) + ")";
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return run;
}

std::string WithoutCarriageReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

TEST(KeypadctlInput, MalformedArgumentsGiveUsageAndStatusTwo) {
    const std::string long10k(10000, 'a'), digits10k(10000, '9');
    struct Case {
        const char* what;
        std::vector<std::string> args;
    } cases[] = {
        {"nothing", {}},
        {"empty verb", {""}},
        {"two empty arguments", {"", ""}},
        {"unknown verb", {"frobnicate"}},
        {"verb in capitals", {"PRESS", "vol+"}},
        {"verb as an option", {"--help"}},
        {"press without key", {"press"}},
        {"press unknown key", {"press", "volume"}},
        {"press zero times", {"press", "vol+", "0"}},
        {"press too often", {"press", "vol+", "1001"}},
        {"press negative", {"press", "vol+", "-1"}},
        {"press huge count", {"press", "vol+", "99999999999999999999999999"}},
        {"press hex without digits", {"press", "vol+", "0x"}},
        {"press with sign", {"press", "vol+", "+3"}},
        {"press with space", {"press", "vol+", " 3"}},
        {"press decimal point", {"press", "vol+", "1.5"}},
        {"press exponent", {"press", "vol+", "1e3"}},
        {"press extra argument", {"press", "vol+", "1", "2"}},
        {"get without register", {"get"}},
        {"get unknown register", {"get", "34"}},
        {"get negative register", {"get", "-1"}},
        {"get register beyond 16 bits", {"get", "65536"}},
        {"get register 2^64", {"get", "18446744073709551616"}},
        {"get hex beyond 64 bits", {"get", "0x1FFFFFFFFFFFFFFFF"}},
        {"get two registers", {"get", "1", "2"}},
        {"set without value", {"set", "1"}},
        {"set value above a byte", {"set", "1", "256"}},
        {"set negative value", {"set", "1", "-5"}},
        {"set a write register", {"set", "8", "5"}},
        {"set an unknown register", {"set", "99", "5"}},
        {"set huge value", {"set", "1", "0xFFFFFFFFFFFFFFFFF"}},
        {"fail alone", {"fail"}},
        {"fail unknown kind", {"fail", "bogus", "1"}},
        {"fail read without count", {"fail", "read", "28"}},
        {"fail read negative count", {"fail", "read", "28", "-1"}},
        {"fail read count beyond 32 bits", {"fail", "read", "28", "4294967296"}},
        {"fail read unknown register", {"fail", "read", "99", "1"}},
        {"fail write without register", {"fail", "write"}},
        {"fail noanswer without register", {"fail", "noanswer"}},
        {"fail hang extra argument", {"fail", "hang", "1", "2"}},
        {"fail gpi extra argument", {"fail", "gpi", "x"}},
        {"clear with argument", {"clear", "all"}},
        {"seq with argument", {"seq", "1"}},
        {"reset unknown profile", {"reset", "weird"}},
        {"reset extra argument", {"reset", "basic", "x"}},
        {"log since without number", {"log", "--since"}},
        {"log since negative", {"log", "--since", "-1"}},
        {"log since beyond 64 bits", {"log", "--since", "18446744073709551616"}},
        {"log with timeout", {"log", "--timeout", "5"}},
        {"log unknown option", {"log", "--all"}},
        {"wait alone", {"wait"}},
        {"wait without register", {"wait", "R"}},
        {"wait unknown operation", {"wait", "X", "1"}},
        {"wait two-letter operation", {"wait", "RW", "1"}},
        {"wait empty operation", {"wait", "", "1"}},
        {"wait register beyond 16 bits", {"wait", "R", "65536"}},
        {"wait register not a number", {"wait", "W", "nine"}},
        {"wait unknown key", {"wait", "K", "volume"}},
        {"wait input line with register", {"wait", "G", "1"}},
        {"wait timeout without number", {"wait", "R", "1", "--timeout"}},
        {"wait timeout beyond 32 bits", {"wait", "R", "1", "--timeout", "4294967296"}},
        {"wait negative timeout", {"wait", "R", "1", "--timeout", "-1"}},
        {"wait unknown option", {"wait", "R", "1", "--bogus", "1"}},
        {"10000-character verb", {long10k}},
        {"10000-digit register", {"get", digits10k}},
        {"10000-character key", {"press", long10k}},
        {"10000-digit count", {"press", "vol+", digits10k}},
        {"10000-digit sequence", {"log", "--since", digits10k}},
        {"three 10000-character arguments", {"wait", long10k, long10k}},
        {"non-ASCII verb", {"\xC3\xA9\xE2\x82\xAC"}},
        {"non-ASCII key", {"press", "vol\xFF"}},
        {"non-ASCII register", {"get", "\x80\x81"}},
        {"non-ASCII digit look-alike", {"set", "1", "\xEF\xBC\x95"}},
        {"control characters", {"get", "1\t\x01"}},
        {"quotes and backslashes", {"press", "vol+\\\"", "1\\"}},
    };
    // A controller of this test's own, should a line be taken as a command
    // after all.
    LumitraxSession holder(Profile::Extended);
    const uint64_t before = holder.LastSeq();
    const auto began = std::chrono::steady_clock::now();
    // Several at once: a start under Wine takes a fifth of a second.
    std::vector<ToolRun> runs(std::size(cases));
    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < 8; ++i)
        workers.emplace_back([&] {
            for (size_t c = next++; c < runs.size(); c = next++)
                runs[c] = RunKeypadctl(cases[c].args);
        });
    for (std::thread& worker : workers)
        worker.join();
    std::printf("%zu keypadctl runs in %.1f s\n", runs.size(),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
    for (size_t c = 0; c < runs.size(); ++c) {
        SCOPED_TRACE(cases[c].what);
        const ToolRun& run = runs[c];
        EXPECT_EQ(run.status, 2u) << "status 0x" << std::hex << run.status << "\n" << run.err;
        EXPECT_EQ(WithoutCarriageReturns(run.err), keypad::kKeypadctlUsage);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(holder.LastSeq(), before) << "a malformed line acted on the controller";
}

// --- The HaveKeypad registry value ---

constexpr const char* kQorKey = "SOFTWARE\\Qor";
constexpr const char* kKeypadKey = "SOFTWARE\\Qor\\Keypad";

// Holds the HaveKeypad value while it lives, in the 32-bit view of the
// registry where the program reads it; removes the key (and the key above
// it, when this made it) when it goes.
class HaveKeypadValue {
public:
    HaveKeypadValue() {
        HKEY qor = nullptr;
        madeQor_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kQorKey, 0, KEY_READ | KEY_WOW64_32KEY,
                                 &qor) != ERROR_SUCCESS;
        if (qor)
            RegCloseKey(qor);
    }
    HaveKeypadValue(const HaveKeypadValue&) = delete;
    HaveKeypadValue& operator=(const HaveKeypadValue&) = delete;
    ~HaveKeypadValue() {
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kKeypadKey, KEY_WOW64_32KEY, 0);
        if (madeQor_)
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kQorKey, KEY_WOW64_32KEY, 0);
    }
    // Stored byte for byte: the wide call converts no string type.
    LONG Set(DWORD type, const std::vector<BYTE>& data) {
        HKEY key = nullptr;
        LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeypadKey, 0, nullptr, 0,
                                      KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr);
        if (status != ERROR_SUCCESS)
            return status;
        status = RegSetValueExW(key, L"HaveKeypad", 0, type, data.empty() ? nullptr : data.data(),
                                static_cast<DWORD>(data.size()));
        RegCloseKey(key);
        return status;
    }
    // The value's size as stored; nothing when it is not there.
    std::optional<DWORD> StoredSize() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeypadKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) !=
            ERROR_SUCCESS)
            return std::nullopt;
        DWORD size = 0;
        const LONG status = RegQueryValueExW(key, L"HaveKeypad", nullptr, nullptr, nullptr, &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS)
            return std::nullopt;
        return size;
    }

private:
    bool madeQor_ = false;
};

TEST(RegistryInput, MalformedHaveKeypadValue) {
    const uint64_t seed = FuzzSeed();
    std::mt19937_64 random(seed);
    const auto below = [&random](uint32_t n) {
        return std::uniform_int_distribution<uint32_t>(0, n - 1)(random);
    };
    static const DWORD types[] = {
        REG_NONE, REG_SZ,       REG_EXPAND_SZ,     REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN,
        REG_LINK, REG_MULTI_SZ, REG_RESOURCE_LIST, REG_QWORD};
    // Sizes: empty, the whole 64 KiB, small and any in between.
    std::vector<uint32_t> sizes = {0, 65536, 1 + below(8), below(65537)};
    if (SoakRun())
        for (int i = 0; i < 36; ++i)
            sizes.push_back(below(4) ? below(65) : below(65537));
    std::printf("registry fuzz: seed %llu, %zu values\n", static_cast<unsigned long long>(seed),
                sizes.size());

    HaveKeypadValue value;
    for (const uint32_t size : sizes) {
        const DWORD type =
            below(4) ? types[below(std::size(types))] : static_cast<DWORD>(random() & 0xFFFFFFFFu);
        std::vector<BYTE> data(size);
        for (BYTE& byte : data)
            byte = static_cast<BYTE>(random());
        SCOPED_TRACE("type " + std::to_string(type) + ", " + std::to_string(size) + " bytes");
        ASSERT_EQ(value.Set(type, data), ERROR_SUCCESS);
        // The system may end a string type with terminators of its own.
        ASSERT_GE(value.StoredSize().value_or(0), size);

        LumitraxSession session(Profile::Extended);
        const HWND panel = StartProgram(session);
        ASSERT_NE(panel, nullptr);
        EXPECT_TRUE(WaitCycles(session, 2));
        EXPECT_TRUE(Healthy(session, panel));
        CloseNormally(session, panel);
    }
}

} // namespace
