// However the panel dialog ends, its poll thread has ended first (or been given
// up on), and its tray icon and hook went before it was waited for.
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

#include "controller/RegisterMap.h"
#include "shared/SystemHook.h"
#include "tests/win/PanelThread.h"
#include "tests/win/ShellIcon.h"
#include "tests/win/audio_test_support.h"

using namespace std::chrono_literals;

TEST(PanelShutdown, PollThreadEndsBeforeTheWindowGoesOnEveryWayOut) {
    // A box that is up closes with the panel: the program does not run on
    // without its poll thread until someone answers it.
    const struct {
        const char* way;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        std::optional<PanelBox> box;
    } ways[] = {
        {"close request", WM_CLOSE, 0, 0, std::nullopt},
        {"end of the session", WM_ENDSESSION, TRUE, 0, std::nullopt},
        {"the Restart Manager closing programs", WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP,
         std::nullopt},
        {"close request with the About box up", WM_CLOSE, 0, 0, PanelBox::About},
        {"end of the session with a message box up", WM_ENDSESSION, TRUE, 0, PanelBox::Firmware},
        {"close request with the tray menu up", WM_CLOSE, 0, 0, PanelBox::TrayMenu},
        {"end of the session with the tray menu up", WM_ENDSESSION, TRUE, 0, PanelBox::TrayMenu},
    };
    std::unique_ptr<KeypadSimClient> sim = OpenOwnController();
    ASSERT_TRUE(sim);
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        RunningPanel running([](CLumitraxDlg&) {});
        ASSERT_TRUE(running.WaitUntilPolling(20s));
        const HWND panel = running.Panel().GetSafeHwnd();
        HWND box = nullptr;
        if (way.box) {
            ASSERT_TRUE(box = OpenPanelBox(running.Panel(), *way.box));
        }
        PostMessageA(panel, way.message, way.wParam, way.lParam);
        const bool ended = WaitUntil([&] { return running.PollingWhenEnded() != -1; }, 10s);
        if (box && IsWindowVisible(box)) {
            ADD_FAILURE() << "the box is left";
            DismissPanelBox(panel, *way.box, box);
        }
        ASSERT_TRUE(ended);
        EXPECT_EQ(running.PollingWhenEnded(), 0);
    }
}

TEST(PanelShutdown, APollThreadHeldInTheDriverDoesNotHoldUpTheClose) {
    // The end of the session is sent, as the system sends it, and the system
    // may end the process once it is answered: the tray icon and the hook go
    // before the poll thread is waited for, while it is not answered yet.
    const struct {
        const char* way;
        UINT message;
        bool sent; // else posted
    } ways[] = {
        {"close request", WM_CLOSE, false},
        {"end of the session", WM_ENDSESSION, true},
    };
    std::unique_ptr<KeypadSimClient> sim = OpenOwnController();
    ASSERT_TRUE(sim);
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        {
            RunningPanel running([](CLumitraxDlg&) {});
            ASSERT_TRUE(running.WaitUntilPolling(20s));
            CLumitraxDlg& panel = running.Panel();
            const HWND window = panel.GetSafeHwnd();
            ASSERT_TRUE(OnPanelThread(panel.Queue(), [&] { panel.ShowPanel(); }));
            ASSERT_TRUE(IsHookSet() && ShellHasTrayIcon(window));
            // The next event's first read never completes.
            const uint64_t seq = LastSeq(*sim);
            sim->Run([](keypad::KeypadModel& model, uint64_t now) {
                model.Hang(REG_CHANGE_VALUE);
                model.PressKey(keypad::Key::VolumeUp, now);
            });
            ASSERT_TRUE(sim->WaitFor(keypad::LogPattern{'G', std::nullopt}, seq, 5000));
            const auto asked = std::chrono::steady_clock::now();
            std::atomic<bool> answered{false};
            std::thread asking([&] {
                if (way.sent)
                    SendMessageTimeoutA(window, way.message, TRUE, 0, SMTO_NORMAL, 30000, nullptr);
                else
                    PostMessageA(window, way.message, 0, 0);
                answered = true;
            });
            if (way.sent) {
                bool goneUnanswered = false;
                EXPECT_TRUE(WaitUntil(
                    [&] {
                        if (IsHookSet() || ShellHasTrayIcon(window))
                            return false;
                        goneUnanswered = !answered;
                        return true;
                    },
                    20s));
                EXPECT_TRUE(goneUnanswered) << "icon and hook went only after the wait";
            }
            const bool ended = WaitUntil([&] { return running.PollingWhenEnded() != -1; }, 20s);
            asking.join();
            ASSERT_TRUE(ended) << "the close waits for ever";
            EXPECT_LT(std::chrono::steady_clock::now() - asked, 10s);
        }
        // The driver answers again: the thread left behind finishes its
        // event on what the panel left it, and ends.
        const uint64_t seq = LastSeq(*sim);
        sim->Run([](keypad::KeypadModel& model, uint64_t) { model.ClearFaults(); });
        EXPECT_TRUE(sim->WaitFor(keypad::LogPattern{'R', REG_BACKLIGHT}, seq, 5000));
        const uint64_t ended = LastSeq(*sim);
        EXPECT_FALSE(sim->WaitFor(keypad::LogPattern{'G', std::nullopt}, ended, 300))
            << "it polls no more";
    }
}
