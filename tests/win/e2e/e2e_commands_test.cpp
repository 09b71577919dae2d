// The panel's buttons, keys and menu commands with real input: clicks and
// keys made by xdotool through the X server reach the program the way a
// person's do; what the program did is read from the controller's log.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "LumitraxSession.h"
#include "controls/ArtworkScale.h"
#include "controls/SliderMath.h"

namespace {
using namespace std::chrono_literals;
using keypad::Key;
using keypad::Profile;

constexpr auto kStartTimeout = 60s;
constexpr int kDimmingButton = 1003, kBuzzerButton = 1005, kFunctionButton = 1009,
              kLockButton = 1006;
constexpr int kLevelSlider = 1002;

// The control of the panel's thread that has the keyboard focus.
HWND FocusOf(HWND panel) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(panel, nullptr), &info);
    return info.hwndFocus;
}

std::string DialogText(HWND box, int id) {
    char text[128] = "";
    GetDlgItemTextA(box, id, text, sizeof text);
    return text;
}

struct PanelCommandsE2E : ::testing::Test {
    LumitraxSession session{Profile::Extended};
    HWND panel = nullptr;

    void SetUp() override {
        ASSERT_TRUE(Xdotool("mousemove 20 300"));
        ASSERT_TRUE(session.StartAndWaitUntilPolling(kStartTimeout));
        panel = session.Program().WaitForPanel(5s);
        ASSERT_NE(panel, nullptr);
    }
    void TearDown() override {
        PostMessageA(panel, WM_CLOSE, 0, 0);
        EXPECT_EQ(session.Program().WaitForExit(10s), std::optional<DWORD>(0));
    }
    // The panel shown by a key, arranged for that key's level.
    void ShowWith(Key key) {
        const keypad::LogEntry press = session.Press(key);
        ASSERT_TRUE(session.WaitFor('R', 23, press.seq, 2s));
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(panel) != 0; }, 2s));
    }
    // A click on the middle of the slider's thumb at value: the slider takes
    // the focus and keeps its value.
    void ClickThumb(int value) {
        RECT slider{};
        GetWindowRect(GetDlgItem(panel, kLevelSlider), &slider);
        const SliderMetrics metrics{182, 23, 0, 0, 0, 20};
        ASSERT_TRUE(Xdotool("mousemove " +
                            std::to_string(slider.left + ValueToPixel(metrics, value)) + " " +
                            std::to_string(slider.top + 22 + 5) + " click 1"));
    }
    // The register writes after seq once count of them have come, as "W21=1".
    std::string Writes(uint64_t seq, size_t count) {
        WaitUntil(
            [&] {
                size_t writes = 0;
                for (const keypad::LogEntry& e : session.Entries(seq))
                    writes += e.op == 'W';
                return writes >= count;
            },
            3s);
        std::string out;
        for (const keypad::LogEntry& e : session.Entries(seq))
            if (e.op == 'W')
                out += (out.empty() ? "W" : " W") + std::to_string(e.reg) + "=" +
                       std::to_string(e.value);
        return out;
    }
};
} // namespace

TEST_F(PanelCommandsE2E, DimmingAndLockButtonsWriteTheirRegisters) {
    ShowWith(Key::BrightnessUp);
    const uint64_t seq = session.LastSeq();
    ASSERT_TRUE(ClickControl(panel, kDimmingButton));
    ASSERT_TRUE(ClickControl(panel, kLockButton));
    ASSERT_TRUE(ClickControl(panel, kDimmingButton));
    ASSERT_TRUE(ClickControl(panel, kLockButton));
    EXPECT_EQ(Writes(seq, 4), "W21=1 W33=1 W21=0 W33=0");
    EXPECT_TRUE(IsWindowVisible(panel)) << "clicks on the panel keep it up";
}

TEST_F(PanelCommandsE2E, TheFunctionButtonSwitchesTheBacklightOffAndAKeyWakesIt) {
    // Also when the click comes while an event's read of register 23 (the
    // backlight) is held up: that read gives the backlight as it was before
    // the click's write, which is no backlight coming on.
    for (const bool duringAnEvent : {false, true}) {
        SCOPED_TRACE(duringAnEvent ? "while an event reads register 23" : "between events");
        if (duringAnEvent) {
            session.Sim().Run([](keypad::KeypadModel& model, uint64_t) { return model.Hang(23); });
            const keypad::LogEntry press = session.Press(Key::BrightnessUp);
            ASSERT_TRUE(session.WaitFor('R', 18, press.seq, 2s));
            // The read holds the poll thread: the input line is read no more.
            ASSERT_TRUE(WaitUntil(
                [&] { return !session.WaitFor('G', std::nullopt, session.LastSeq(), 500ms); },
                10s));
            ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(panel) != 0; }, 2s));
        } else {
            ShowWith(Key::BrightnessUp);
        }
        const uint64_t seq = session.LastSeq();
        ASSERT_TRUE(ClickControl(panel, kFunctionButton));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(panel); }, 2s)) << "hidden at once";
        if (duringAnEvent)
            session.Sim().Run([](keypad::KeypadModel& model, uint64_t) { model.ClearFaults(); });
        EXPECT_EQ(Writes(seq, 1), "W20=0");
        // Nothing wakes the backlight or shows the panel by itself: no write
        // of 1 until the key.
        const std::optional<keypad::LogEntry> selfWake =
            session.WaitFor('W', 20, session.LastSeq(), 2s);
        EXPECT_FALSE(selfWake.has_value()) << "the backlight woke with W20=" << selfWake->value;
        EXPECT_FALSE(IsWindowVisible(panel)) << "shown in the dark";

        // The next input of the person, whatever it is, wakes the backlight.
        const uint64_t woken = session.LastSeq();
        ASSERT_TRUE(Xdotool("key shift"));
        EXPECT_EQ(Writes(woken, 1), "W20=1");
        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(panel) != 0; }, 3s))
            << "and shows the panel";
    }
}

TEST_F(PanelCommandsE2E, KeysOnThePanel) {
    ShowWith(Key::BrightnessUp); // brightness 11
    // Enter and Escape never close the panel: with a button focused (the
    // slider takes every key itself), the dialog would take them for OK and
    // Cancel.
    ASSERT_TRUE(ClickControl(panel, kBuzzerButton)); // a button that does nothing
    ASSERT_EQ(FocusOf(panel), GetDlgItem(panel, kBuzzerButton));
    ASSERT_TRUE(Xdotool("key Return Escape"));
    // A click on the thumb's middle gives the slider the focus and leaves
    // its value; the panel has taken the keys before (input comes in order).
    ClickThumb(11);
    const uint64_t seq = session.LastSeq();
    // An arrow moves the focused slider a step: the brightness goes to the controller.
    ASSERT_TRUE(Xdotool("key Right"));
    EXPECT_EQ(Writes(seq, 1), "W8=12");
    EXPECT_TRUE(IsWindow(panel) && IsWindowVisible(panel));

    // Ctrl+F3: the firmware box, with what the controller says of itself.
    ASSERT_TRUE(Xdotool("key ctrl+F3"));
    const HWND box = session.Program().WaitForMessageBox("Firmware Version ==>K4660 R2.1", 5s);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(session.Accesses(seq).find("R22 R24 R24 R24") != std::string::npos, true);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

TEST_F(PanelCommandsE2E, EnvironmentCommandWritesItsValue) {
    const uint64_t seq = session.LastSeq();
    PostMessageA(panel, WM_COMMAND, 32776, 0); // "Factory" chosen in the tray menu
    PostMessageA(panel, WM_COMMAND, 32774, 0); // "Office"
    EXPECT_EQ(Writes(seq, 2), "W32=3 W32=1");
}

TEST_F(PanelCommandsE2E, TheAboutBoxShowsTheVersionsAskedForOnce) {
    for (const bool fromTray : {true, false}) {
        SCOPED_TRACE(fromTray ? "tray menu" : "system menu");
        if (fromTray)
            PostMessageA(panel, WM_COMMAND, 32772, 0);
        else
            PostMessageA(panel, WM_SYSCOMMAND, 16, 0);
        HWND about = nullptr;
        ASSERT_TRUE(WaitUntil(
            [&] {
                about = FindWindowA(nullptr, "About Lumitrax");
                return about != nullptr && IsWindowVisible(about);
            },
            5s));
        EXPECT_EQ(DialogText(about, 1015), "driver ver : 1.a");
        EXPECT_EQ(DialogText(about, 1016), "dll ver : 2.0");
        RECT ok{};
        GetWindowRect(GetDlgItem(about, IDOK), &ok);
        ASSERT_TRUE(Xdotool("mousemove " + std::to_string((ok.left + ok.right) / 2) + " " +
                            std::to_string((ok.top + ok.bottom) / 2) + " click 1"));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }, 5s)) << "OK closes it";
    }
    int versionCalls = 0;
    for (const keypad::LogEntry& e : session.Entries(0))
        versionCalls += e.op == 'V';
    EXPECT_EQ(versionCalls, 1) << "the library is asked once per run";
}

TEST_F(PanelCommandsE2E, MovingTheBrightnessEndsAutomaticDimmingAtOnce) {
    ShowWith(Key::BrightnessUp); // brightness 11
    const uint64_t seq = session.LastSeq();
    ASSERT_TRUE(ClickControl(panel, kDimmingButton));
    // Releasing the thumb tells the panel the slider moved: with automatic
    // dimming on, both registers at once, not the brightness later in the
    // periodic sync; dimming is then off, so the next step only asks for
    // the brightness.
    ClickThumb(11);
    ASSERT_TRUE(Xdotool("key Right"));
    EXPECT_EQ(Writes(seq, 4), "W21=1 W21=0 W8=11 W8=12");

    // Dimming switched on at the keypad, the slider still focused: the step
    // that ends it goes to a new value, and the step back is written too.
    const keypad::LogEntry dimming = session.Press(Key::Dimming);
    ASSERT_TRUE(session.WaitFor('R', 23, dimming.seq, 2s));
    const uint64_t moved = session.LastSeq();
    ASSERT_TRUE(Xdotool("key Right Left"));
    EXPECT_EQ(Writes(moved, 3), "W21=0 W8=13 W8=12");
}

// At any display scale: a real click on the slider is a click on the panel,
// in the physical pixels the hook reports and the panel's rectangle is in.
TEST_F(PanelCommandsE2E, AClickOnTheSliderMovesItAndAClickOutsideHidesThePanel) {
    ShowWith(Key::BrightnessUp); // brightness 11
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    RECT slider{};
    GetWindowRect(GetDlgItem(panel, kLevelSlider), &slider);
    const SliderMetrics metrics{ScaleLength(182, dpi), ScaleLength(23, dpi), 0, 0, 0, 20};
    ASSERT_EQ(slider.right - slider.left, metrics.cxControl) << "the slider at the screen's scale";
    // Off the thumb: its centre jumps to the pointer, at value 18's pixel.
    const int x = slider.left + ValueToPixel(metrics, 18);
    const int y = slider.top + ScaleLength(22, dpi) + ScaleLength(11, dpi) / 2;
    const uint64_t seq = session.LastSeq();
    ASSERT_TRUE(Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1"));
    const std::string moved = "W8=" + std::to_string(PixelToValue(metrics, x - slider.left));
    EXPECT_EQ(Writes(seq, 1).substr(0, moved.size()), moved);
    EXPECT_TRUE(IsWindowVisible(panel)) << "a click on the slider keeps the panel up";

    RECT placed{};
    GetWindowRect(panel, &placed);
    ASSERT_TRUE(Xdotool("mousemove " + std::to_string(placed.left + 20) + " " +
                        std::to_string(placed.top - 40) + " click 1"));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(panel); }, 3s))
        << "a click outside hides the panel";
}

TEST_F(PanelCommandsE2E, TheMouseOverAFadingPanelMakesItOpaqueAgain) {
    ShowWith(Key::VolumeUp);
    ShowWith(Key::VolumeDown); // a second show: the hide check runs, the cursor is off
    BYTE alpha = 255;
    DWORD flags = 0;
    ASSERT_TRUE(WaitUntil(
        [&] { return GetLayeredWindowAttributes(panel, nullptr, &alpha, &flags) && alpha < 255; },
        5s))
        << "the fade did not begin";
    RECT placed{};
    GetWindowRect(panel, &placed);
    ASSERT_TRUE(Xdotool("mousemove " + std::to_string(placed.left + 20) + " " +
                        std::to_string(placed.top + 35)));
    EXPECT_TRUE(WaitUntil(
        [&] { return GetLayeredWindowAttributes(panel, nullptr, &alpha, &flags) && alpha == 255; },
        2s));
    EXPECT_TRUE(IsWindowVisible(panel));
}

TEST_F(PanelCommandsE2E, AnArrowKeyShowsThePanelAgainSoItsHideCheckRuns) {
    // A first show arms no timer: the panel stays. An arrow key on the panel
    // is a show request like any other, so the hide check then runs and,
    // with the cursor off the panel, the fade begins.
    ShowWith(Key::BrightnessUp);
    PostMessageA(GetDlgItem(panel, kLevelSlider), WM_KEYDOWN, VK_LEFT, 0);
    BYTE alpha = 255;
    DWORD flags = 0;
    EXPECT_TRUE(WaitUntil(
        [&] { return GetLayeredWindowAttributes(panel, nullptr, &alpha, &flags) && alpha < 255; },
        6s));
}
