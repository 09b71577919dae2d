// Start-up, single instance, the poll cycle and the two ways the program ends,
// seen from the simulated controller's access log.
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "LumitraxSession.h"
#include "tests/win/AnswerTime.h"
#include "tests/win/ShellIcon.h"

using namespace std::chrono_literals;
using keypad::Key;
using keypad::Profile;

namespace {
constexpr auto kStartTimeout = 30s; // a cold Wine start of the first program is slow
// A close ends the program within the time the panel gives its poll thread
// to end (5 s), with the slack of a loaded machine.
constexpr auto kCloseBound = 10s;
} // namespace

TEST(Lifecycle, StartUpReadsTheControllerInOrderForBothProfiles) {
    struct Case {
        Profile profile;
        const char* accesses;
    } cases[] = {
        // status, functions; version, volume, brightness; environment; functions again
        {Profile::Extended, "R18 R25 R17 R2 R1 R27 R25"},
        // without extended registers neither 25 nor 27 is touched
        {Profile::Basic, "R18 R17 R2 R1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile == Profile::Extended ? "extended" : "basic");
        LumitraxSession session(c.profile);
        const uint64_t start = session.LastSeq();
        ASSERT_TRUE(session.StartAndWaitUntilPolling(kStartTimeout));
        EXPECT_EQ(session.Accesses(start), c.accesses);

        // Idle: a few cycles read the input line and nothing else.
        const uint64_t idle = session.LastSeq();
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(session.WaitFor('G', std::nullopt, session.LastSeq(), 2s));
        EXPECT_EQ(session.Accesses(idle), "");

        HWND panel = session.Program().WaitForPanel(5s);
        ASSERT_NE(panel, nullptr);
        PostMessageA(panel, WM_CLOSE, 0, 0);
        EXPECT_EQ(session.Program().WaitForExit(5s), std::optional<DWORD>(0));
    }
}

TEST(Lifecycle, StartUpWithRegistersThatNeverAnswer) {
    // The program starts all the same: failed reads leave their fields, and
    // a persistent read gives up after 50 rounds of 5 attempts.
    struct Case {
        const char* name;
        uint16_t silent;
        int silentReads;    // reads of the silent register
        const char* others; // the other accesses, in order
    } cases[] = {
        // The status stays 0: no extended registers, so 25 and 27 are never read.
        {"status", 18, 5, "R17 R2 R1"},
        {"version", 17, 250, "R18 R25 R2 R1 R27 R25"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LumitraxSession session(Profile::Extended);
        session.Sim().Run(
            [&c](keypad::KeypadModel& model, uint64_t) { return model.StopAnswering(c.silent); });
        const uint64_t start = session.LastSeq();
        ASSERT_TRUE(session.StartAndWaitUntilPolling(kStartTimeout));

        const std::string silent = "R" + std::to_string(c.silent);
        int silentReads = 0;
        std::string others;
        std::istringstream words(session.Accesses(start));
        for (std::string word; words >> word;) {
            if (word == silent)
                ++silentReads;
            else
                others += (others.empty() ? "" : " ") + word;
        }
        EXPECT_EQ(silentReads, c.silentReads);
        EXPECT_EQ(others, c.others);

        HWND panel = session.Program().WaitForPanel(5s);
        ASSERT_NE(panel, nullptr);
        PostMessageA(panel, WM_CLOSE, 0, 0);
        EXPECT_EQ(session.Program().WaitForExit(5s), std::optional<DWORD>(0));
    }
}

TEST(Lifecycle, AStartUpThatADriverCallHoldsIsReportedThenEndsWithStatus1) {
    // A read that never returns, set before the program starts: before any
    // window exists (the status), and once the hidden panel has put its icon
    // in the tray (the version).
    struct Case {
        const char* name;
        uint16_t held;
    } cases[] = {{"status", 18}, {"version", 17}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LumitraxSession session(Profile::Extended);
        session.Sim().Run(
            [&c](keypad::KeypadModel& model, uint64_t) { return model.Hang(c.held); });
        ASSERT_TRUE(session.Program().Start());
        // The watchdog's bound is 20 s; a cold start of the first program is slow.
        HWND box = session.Program().WaitForMessageBox(
            "The keypad driver does not answer: Lumitrax cannot start.", 60s);
        ASSERT_NE(box, nullptr);
        const HWND hidden = session.Program().WaitForPanel(0ms);
        EXPECT_EQ(hidden != nullptr, c.held == 17) << "the panel's window made or not";
        EXPECT_EQ(session.Program().WaitForExit(300ms), std::nullopt) << "waits for the user";
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(session.Program().WaitForExit(5s), std::optional<DWORD>(1));
        if (hidden) {
            EXPECT_FALSE(ShellHasTrayIcon(hidden)) << "its tray icon is left behind";
        }

        // The single-instance mutex went with it: a new copy starts and runs.
        session.Sim().Run([](keypad::KeypadModel& model, uint64_t) { model.ClearFaults(); });
        LumitraxProcess next;
        ASSERT_TRUE(next.Start());
        HWND panel = next.WaitForPanel(kStartTimeout);
        ASSERT_NE(panel, nullptr) << "no copy could start";
        ASSERT_TRUE(session.WaitFor('G', std::nullopt, session.LastSeq(), 10s)) << "polling";
        PostMessageA(panel, WM_CLOSE, 0, 0);
        EXPECT_EQ(next.WaitForExit(kCloseBound), std::optional<DWORD>(0));
    }
}

TEST(Lifecycle, SecondCopyEndsAtOnceWithoutTouchingTheController) {
    LumitraxSession session(Profile::Extended);
    ASSERT_TRUE(session.StartAndWaitUntilPolling(kStartTimeout));
    const uint64_t before = session.LastSeq();

    LumitraxProcess second;
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(second.WaitForExit(10s), std::optional<DWORD>(0));
    EXPECT_EQ(second.WaitForPanel(0ms), nullptr);
    EXPECT_EQ(session.Accesses(before), "") << "only the first copy's input-line reads";
}

TEST(Lifecycle, KeyIsHandledWithinOnePollCycle) {
    LumitraxSession session(Profile::Extended);
    ASSERT_TRUE(session.StartAndWaitUntilPolling(kStartTimeout));

    for (Key key : {Key::VolumeUp, Key::BrightnessDown, Key::VolumeUp}) {
        const keypad::LogEntry press = session.Press(key);
        ASSERT_TRUE(session.WaitFor('R', 23, press.seq, 2s));
        // The first input-line read after the press finds the line low and
        // the event's registers follow it at once.
        const std::vector<keypad::LogEntry> after = session.Entries(press.seq);
        ASSERT_GE(after.size(), 6u);
        EXPECT_EQ(after[0].op, 'G');
        EXPECT_EQ(after[0].value, 0u) << "line low";
        EXPECT_EQ(session.Accesses(press.seq).substr(0, 17), "R28 R1 R2 R18 R23");
    }
}

TEST(Lifecycle, CloseRequestEndsTheProcessAndItsControllerAccess) {
    // However long the panel's thread takes to come to the request (a loaded
    // machine runs several poll cycles meanwhile), the process ends with
    // status 0 within the bound, and after the request no register is
    // touched but to write what was asked for before it: a Lock click just
    // before the close is still written.
    for (const bool lockClicked : {false, true}) {
        SCOPED_TRACE(lockClicked ? "Lock clicked just before" : "nothing asked for");
        LumitraxSession session(Profile::Extended);
        ASSERT_TRUE(session.StartAndWaitUntilPolling(kStartTimeout));
        HWND panel = session.Program().WaitForPanel(5s);
        ASSERT_NE(panel, nullptr);

        const uint64_t closed = session.LastSeq();
        if (lockClicked)
            PostMessageA(panel, WM_COMMAND, MAKEWPARAM(1006, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(panel, 1006)));
        PostMessageA(panel, WM_CLOSE, 0, 0);
        EXPECT_EQ(session.Program().WaitForExit(kCloseBound), std::optional<DWORD>(0));
        EXPECT_EQ(session.Accesses(closed, true), lockClicked ? "W33=1" : "");
    }
}

TEST(Lifecycle, ADriverCallThatNeverReturnsHoldsNeitherThePanelNorItsClose) {
    LumitraxSession session(Profile::Extended);
    ASSERT_TRUE(session.StartAndWaitUntilPolling(kStartTimeout));
    HWND panel = session.Program().WaitForPanel(5s);
    ASSERT_NE(panel, nullptr);
    const keypad::LogEntry press = session.Press(Key::BrightnessUp);
    ASSERT_TRUE(session.WaitFor('R', 23, press.seq, 2s));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(panel) != 0; }, 2s));

    // Register 33 (the keypad lock) holds whoever accesses it; the Lock
    // button of the shown panel writes it.
    session.Sim().Run([](keypad::KeypadModel& model, uint64_t) { return model.Hang(33); });
    PostMessageA(panel, WM_COMMAND, MAKEWPARAM(1006, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(panel, 1006)));
    // The write holds the poll thread: the input line is read no more.
    ASSERT_TRUE(WaitUntil(
        [&] { return !session.WaitFor('G', std::nullopt, session.LastSeq(), 500ms); }, 10s))
        << "the write never came to the driver";
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(AnswerTimeMs(panel, 1000).has_value()) << "the panel stopped answering";
    PostMessageA(panel, WM_CLOSE, 0, 0);
    EXPECT_EQ(session.Program().WaitForExit(kCloseBound), std::optional<DWORD>(0));
    session.Sim().Run([](keypad::KeypadModel& model, uint64_t) { model.ClearFaults(); });
}

TEST(Lifecycle, InputLineFailureIsReportedThenEndsWithStatus1) {
    LumitraxSession session(Profile::Extended);
    ASSERT_TRUE(session.StartAndWaitUntilPolling(kStartTimeout));
    session.Sim().Run([](keypad::KeypadModel& model, uint64_t) { model.FailInputLine(); });

    HWND box = session.Program().WaitForMessageBox("GPI_DLL GetValue Error!!", 5s);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(session.Program().WaitForExit(300ms), std::nullopt) << "waits for the user";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(session.Program().WaitForExit(5s), std::optional<DWORD>(1));
}
