// The panel as a person at the panel PC sees it: hidden until something
// happens, shown beside the tray, faded out and hidden again; the tray icon
// answering clicks, coming back when the shell restarts and going when the
// program ends.
#include <gtest/gtest.h>

#include <vector>

#include "LumitraxSession.h"
#include "res/resource.h"
#include "tests/win/ShellIcon.h"

#include <shellapi.h>

namespace {
using namespace std::chrono_literals;
using keypad::Key;
using keypad::Profile;

constexpr auto kStartTimeout = 60s;
constexpr UINT kTrayMessage = WM_USER + 1;

RECT WindowRectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

RECT WorkArea() {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// The panel's opacity as the system keeps it; nothing when it cannot be read.
std::optional<BYTE> OpacityOf(HWND window) {
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!GetLayeredWindowAttributes(window, nullptr, &alpha, &flags) || !(flags & LWA_ALPHA))
        return std::nullopt;
    return alpha;
}

// The task bar's buttons for shown windows of a process. Wine's task bar
// keeps a button window for each top-level window, whose id is that
// window's handle, and shows the buttons of the shown windows.
int TaskBarButtonsOf(DWORD processId) {
    struct Count {
        DWORD processId;
        int buttons;
        static BOOL CALLBACK Visit(HWND button, LPARAM param) {
            auto& self = *reinterpret_cast<Count*>(param);
            const auto window = reinterpret_cast<HWND>(GetWindowLongPtrA(button, GWLP_ID));
            DWORD owner = 0;
            if (IsWindowVisible(button) && GetWindowThreadProcessId(window, &owner) &&
                owner == self.processId)
                ++self.buttons;
            return TRUE;
        }
    } count{processId, 0};
    EnumChildWindows(FindWindowA("Shell_TrayWnd", nullptr), Count::Visit,
                     reinterpret_cast<LPARAM>(&count));
    return count.buttons;
}

struct PanelDisplay : ::testing::Test {
    LumitraxSession session{Profile::Extended};
    HWND panel = nullptr;

    void SetUp() override {
        SetCursorPos(0, 0); // off where the panel comes
        ASSERT_TRUE(session.StartAndWaitUntilPolling(kStartTimeout));
        panel = session.Program().WaitForPanel(5s);
        ASSERT_NE(panel, nullptr);
    }
    void TearDown() override {
        if (panel)
            PostMessageA(panel, WM_CLOSE, 0, 0);
        EXPECT_EQ(session.Program().WaitForExit(10s), std::optional<DWORD>(0));
    }
    // Presses key and waits until the event it raised is over.
    keypad::LogEntry PressAndWait(Key key) {
        const keypad::LogEntry press = session.Press(key);
        EXPECT_TRUE(session.WaitFor('R', 23, press.seq, 2s));
        return press;
    }
    bool Visible() const { return IsWindowVisible(panel) != 0; }
};
} // namespace

TEST_F(PanelDisplay, HiddenAtStartThenShownBesideTheTrayByAKey) {
    // A few idle cycles: still hidden although the template is visible, and
    // although another program tries to show it.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(session.WaitFor('G', std::nullopt, session.LastSeq(), 2s));
    EXPECT_FALSE(Visible());
    ShowWindow(panel, SW_SHOWNOACTIVATE);
    EXPECT_FALSE(Visible());
    EXPECT_TRUE(ShellHasTrayIcon(panel));

    const keypad::LogEntry press = session.Press(Key::VolumeUp);
    ASSERT_TRUE(WaitUntil([&] { return Visible(); }, 2s));
    const uint64_t shownUs = KeypadSimClient::NowUs();
    int cycles = 0;
    for (const keypad::LogEntry& e : session.Entries(press.seq))
        cycles += e.op == 'G' && e.timeUs <= shownUs;
    EXPECT_LE(cycles, 2) << "shown within one poll cycle of the key";

    // The system has no answer for the icon's place here and the shell's
    // tray is not a toolbar: the panel stands in the work area's corner
    // beside the notification area.
    const RECT work = WorkArea();
    const RECT placed = WindowRectOf(panel);
    EXPECT_EQ(placed.right, work.right);
    EXPECT_EQ(placed.bottom, work.bottom);
    EXPECT_EQ(OpacityOf(panel), std::optional<BYTE>(255));
}

TEST_F(PanelDisplay, ASecondKeyStartsTheHideCheckAndThePanelFadesOut) {
    PressAndWait(Key::VolumeUp);
    ASSERT_TRUE(WaitUntil([&] { return Visible(); }, 2s));
    const keypad::LogEntry second = PressAndWait(Key::VolumeDown);
    const uint64_t shownUs = second.timeUs;

    // Watch the opacity as the fade runs, until the panel is hidden.
    std::vector<BYTE> seen;
    uint64_t firstDimmedUs = 0, hiddenUs = 0;
    WaitUntil(
        [&] {
            if (!Visible()) {
                hiddenUs = KeypadSimClient::NowUs();
                return true;
            }
            const std::optional<BYTE> alpha = OpacityOf(panel);
            if (alpha && *alpha < 255 && (seen.empty() || seen.back() != *alpha)) {
                if (seen.empty())
                    firstDimmedUs = KeypadSimClient::NowUs();
                seen.push_back(*alpha);
            }
            return false;
        },
        15s);
    ASSERT_NE(hiddenUs, 0u) << "the panel did not go";
    const double hiddenAfter = (hiddenUs - shownUs) / 1e6;
    EXPECT_GE(hiddenAfter, 5.1) << "1 s hide check and 4.2 s of fade";
    EXPECT_LE(hiddenAfter, 7.5);
    ASSERT_FALSE(seen.empty()) << "no opacity step was seen";
    const double dimmedAfter = (firstDimmedUs - shownUs) / 1e6;
    EXPECT_GE(dimmedAfter, 2.1) << "the first five fade ticks change nothing visible";
    EXPECT_LE(dimmedAfter, 4.5);
    for (size_t i = 0; i < seen.size(); ++i) {
        // 235, 220, ..., 25, and 0 at the last tick, just before the hide.
        EXPECT_TRUE(seen[i] == 0 || (255 - seen[i]) % 15 == 5)
            << "not on the schedule: " << int(seen[i]);
        if (i > 0) {
            EXPECT_LT(seen[i], seen[i - 1]);
        }
    }
    EXPECT_GE(seen.size(), 8u) << "the steps are seen as they happen";
    EXPECT_TRUE(WaitUntil([&] { return OpacityOf(panel) == std::optional<BYTE>(255); }, 2s))
        << "opaque again for the next show";
}

TEST_F(PanelDisplay, AShowAskedForBeforeTheBacklightWentOffLeavesItOff) {
    // A volume key and the backlight key in one event: the show asked for
    // with the volume comes to run after the event has switched the
    // backlight off, and must not switch it on again.
    const uint64_t seq = session.Sim().Run([](keypad::KeypadModel& model, uint64_t now) {
        const uint64_t before = model.LastSeq();
        model.PressKey(Key::VolumeUp, now);
        model.PressKey(Key::Backlight, now);
        return before;
    });
    ASSERT_TRUE(session.WaitFor('R', 23, seq, 2s));
    const std::optional<keypad::LogEntry> woken = session.WaitFor('W', 20, seq, 2s);
    EXPECT_FALSE(woken.has_value()) << "the backlight was switched on again";
    EXPECT_FALSE(Visible());
}

TEST_F(PanelDisplay, TrayIconClicksOpenCloseAndShowTheMenu) {
    SetCursorPos(300, 500);
    PostMessageA(panel, kTrayMessage, kTrayIconId, WM_LBUTTONDOWN);
    ASSERT_TRUE(WaitUntil([&] { return Visible(); }, 2s));
    const RECT placed = WindowRectOf(panel);
    EXPECT_EQ(placed.left, 300);
    EXPECT_EQ(placed.bottom, 500 - 5) << "5 pixels above the cursor";

    PostMessageA(panel, kTrayMessage, kTrayIconId, WM_LBUTTONDOWN);
    ASSERT_TRUE(WaitUntil([&] { return !Visible(); }, 2s)) << "a second click closes it";

    // A double click toggles once: only the button-down messages act.
    for (UINT mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        PostMessageA(panel, kTrayMessage, kTrayIconId, mouse);
    ASSERT_TRUE(WaitUntil([&] { return Visible(); }, 2s));
    PostMessageA(panel, kTrayMessage, kTrayIconId, WM_LBUTTONDOWN);
    ASSERT_TRUE(WaitUntil([&] { return !Visible(); }, 2s));

    PostMessageA(panel, kTrayMessage, kTrayIconId, WM_RBUTTONUP);
    const HWND menu = session.Program().WaitForMenu(5s);
    ASSERT_NE(menu, nullptr) << "the right button opens the tray menu";
    RECT menuRect = WindowRectOf(menu);
    EXPECT_EQ(menuRect.left, 300) << "at the cursor";
    PostMessageA(panel, WM_CANCELMODE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }, 5s));
}

TEST_F(PanelDisplay, ARealClickOnTheIconInTheTaskBarOpensThePanel) {
    const HWND taskBar = FindWindowA("Shell_TrayWnd", nullptr);
    ASSERT_NE(taskBar, nullptr);
    const RECT bar = WindowRectOf(taskBar);
    ASSERT_TRUE(IsWindowVisible(taskBar)) << "the desktop runs without its task bar";
    // The program's icon is the only one: the notification area's last slot.
    const POINT icon{bar.right - 12, (bar.top + bar.bottom) / 2};
    SetCursorPos(icon.x, icon.y);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(2, click, sizeof click[0]), 2u);
    ASSERT_TRUE(WaitUntil([&] { return Visible(); }, 5s));
    // At the cursor: flush with the work area's right edge, 5 pixels above.
    const RECT placed = WindowRectOf(panel);
    EXPECT_EQ(placed.right, WorkArea().right);
    EXPECT_EQ(placed.bottom, icon.y - 5);
}

TEST_F(PanelDisplay, NeitherThePanelNorTheAboutBoxHasATaskBarButton) {
    PressAndWait(Key::VolumeUp);
    ASSERT_TRUE(WaitUntil([&] { return Visible(); }, 2s));
    PostMessageA(panel, WM_COMMAND, ID_ABOUT, 0);
    const HWND about = session.Program().WaitForAnyMessageBox(5s);
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(about) != 0; }, 5s));
    EXPECT_EQ(GetWindow(about, GW_OWNER), panel);
    // Any call to the shell brings its task bar's buttons up to date.
    ASSERT_TRUE(ShellHasTrayIcon(panel));
    EXPECT_EQ(TaskBarButtonsOf(session.Program().Id()), 0);
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }, 5s));
}

TEST_F(PanelDisplay, TheIconComesBackAfterTheShellRestartsAndGoesWithTheProgram) {
    ASSERT_TRUE(ShellHasTrayIcon(panel));
    // The shell forgets the icon, as a restarted shell would, and says so.
    ASSERT_TRUE(ShellForgetsTrayIcon(panel));
    ASSERT_FALSE(ShellHasTrayIcon(panel));
    PostMessageA(panel, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return ShellHasTrayIcon(panel); }, 5s));

    // Forgotten again: the next change of the indication adds it.
    ASSERT_TRUE(ShellForgetsTrayIcon(panel));
    PressAndWait(Key::Lock);
    EXPECT_TRUE(WaitUntil([&] { return ShellHasTrayIcon(panel); }, 5s));

    PostMessageA(panel, WM_CLOSE, 0, 0);
    EXPECT_EQ(session.Program().WaitForExit(10s), std::optional<DWORD>(0));
    EXPECT_FALSE(ShellHasTrayIcon(panel)) << "no dead icon stays behind";
    panel = nullptr;
}
