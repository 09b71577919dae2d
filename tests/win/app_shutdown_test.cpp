// However the panel dialog ends, its poll thread has ended first.
#include <gtest/gtest.h>

#include "controller/RegisterMap.h"
#include "tests/win/audio_test_support.h"

using namespace std::chrono_literals;

TEST(PanelShutdown, PollThreadEndsBeforeTheWindowGoesOnEveryWayOut) {
    const struct {
        const char* way;
        UINT message;
        WPARAM wParam;
    } ways[] = {
        {"close request", WM_CLOSE, 0},
        {"cancel command", WM_COMMAND, IDCANCEL},
        {"OK command", WM_COMMAND, IDOK},
    };
    std::unique_ptr<KeypadSimClient> sim = OpenOwnController();
    ASSERT_TRUE(sim);
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        RunningPanel running([](CLumitraxDlg&) {});
        ASSERT_TRUE(running.WaitUntilPolling(20s));
        PostMessageA(running.Panel().GetSafeHwnd(), way.message, way.wParam, 0);
        ASSERT_TRUE(WaitUntil([&] { return running.PollingWhenEnded() != -1; }, 10s));
        EXPECT_EQ(running.PollingWhenEnded(), 0);
    }
}

TEST(PanelShutdown, APollThreadHeldInTheDriverDoesNotHoldUpTheClose) {
    std::unique_ptr<KeypadSimClient> sim = OpenOwnController();
    ASSERT_TRUE(sim);
    {
        RunningPanel running([](CLumitraxDlg&) {});
        ASSERT_TRUE(running.WaitUntilPolling(20s));
        // The next event's first read never completes.
        const uint64_t seq = LastSeq(*sim);
        sim->Run([](keypad::KeypadModel& model, uint64_t now) {
            model.Hang(REG_CHANGE_VALUE);
            model.PressKey(keypad::Key::VolumeUp, now);
        });
        ASSERT_TRUE(sim->WaitFor(keypad::LogPattern{'G', std::nullopt}, seq, 5000));
        const auto asked = std::chrono::steady_clock::now();
        PostMessageA(running.Panel().GetSafeHwnd(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return running.PollingWhenEnded() != -1; }, 20s))
            << "the close waits for ever";
        EXPECT_LT(std::chrono::steady_clock::now() - asked, 10s);
    }
    // The driver answers again: the thread left behind finishes its event
    // on what the panel left it, and ends.
    const uint64_t seq = LastSeq(*sim);
    sim->Run([](keypad::KeypadModel& model, uint64_t) { model.ClearFaults(); });
    EXPECT_TRUE(sim->WaitFor(keypad::LogPattern{'R', REG_BACKLIGHT}, seq, 5000));
    const uint64_t ended = LastSeq(*sim);
    EXPECT_FALSE(sim->WaitFor(keypad::LogPattern{'G', std::nullopt}, ended, 300))
        << "it polls no more";
}
