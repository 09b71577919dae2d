// However the panel dialog ends, its poll thread has ended first.
#include <gtest/gtest.h>

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
