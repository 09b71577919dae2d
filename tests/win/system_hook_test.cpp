// Our input-hook library with real input: set and removed from many
// threads, a click outside and inside the panel's rectangle, the wake with
// the all-zero rectangle, a window that is gone, and hook procedures that
// never wait for a busy panel. Then the panel's wrappers of it.
#include <gtest/gtest.h>

#include "app/QueuedPanelOperations.h"
#include "commands/PanelHook.h"
#include "shared/PanelMessages.h"
#include "shared/SystemHook.h"
#include "tests/win/PanelThread.h"
#include "tests/win/ProcessCounts.h"
#include "tests/win/ShellIcon.h"
#include "tests/win/audio_test_support.h"

namespace {
using namespace std::chrono_literals;

void Click(POINT at) {
    SetCursorPos(at.x, at.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof input[0]);
}

void PressShift() {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = VK_SHIFT;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof input[0]);
}

// A window of this thread that counts the hook library's messages.
struct Target {
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Target*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && message == WM_PANEL_HIDE)
            ++self->hides;
        if (self && message == WM_HOOK_WAKE)
            ++self->wakes;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    Target() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "LumitraxHookTarget";
        RegisterClassA(&windowClass);
        window = CreateWindowA("LumitraxHookTarget", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Target() {
        if (IsWindow(window))
            DestroyWindow(window);
    }
    // Serves this thread's messages until done() holds or the timeout passes.
    template <class Done> bool Serve(Done done, std::chrono::milliseconds timeout = 5s) {
        return WaitUntil(
            [&] {
                MSG msg;
                while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessageA(&msg);
                return done();
            },
            timeout);
    }
    HWND window = nullptr;
    int hides = 0;
    int wakes = 0;
};

struct SystemHookTest : ::testing::Test {
    void TearDown() override { EXPECT_TRUE(UnsetHook()); }
};
} // namespace

TEST_F(SystemHookTest, SetAndUnsetFromManyThreadsLeaveNothingBehind) {
    // The cursor's position, which SetHook takes, costs Wine a few handles
    // of its own when the process first asks for it.
    POINT cursor{};
    GetCursorPos(&cursor);
    const long threadsBefore = ThreadsOfThisProcess();
    const long handlesBefore = HandlesOfThisProcess();
    const RECT rect{100, 100, 300, 200};
    std::vector<std::thread> callers;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([&] {
            for (int i = 0; i < 250; ++i) {
                if (!SetHook(nullptr, &rect))
                    ++failures;
                IsHookSet();
                if (!UnsetHook())
                    ++failures;
            }
        });
    }
    for (std::thread& caller : callers)
        caller.join();
    EXPECT_EQ(failures, 0);
    EXPECT_FALSE(IsHookSet());
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore) << "a hook thread was left behind";
    EXPECT_LE(HandlesOfThisProcess(), handlesBefore + 2) << "handles of the hook threads leak";

    EXPECT_TRUE(SetHook(nullptr, &rect));
    EXPECT_TRUE(IsHookSet());
    EXPECT_TRUE(UnsetHook());
    EXPECT_FALSE(IsHookSet());
    EXPECT_TRUE(UnsetHook()) << "removing when none is set succeeds";
}

TEST_F(SystemHookTest, AButtonPressedOutsideTheRectangleHidesThePanelOncePerPress) {
    Target target;
    const RECT panel{100, 100, 300, 200};
    ASSERT_TRUE(SetHook(target.window, &panel));
    Click({50, 50});
    EXPECT_TRUE(target.Serve([&] { return target.hides == 1; }));
    Click({150, 150}); // inside: nothing
    Click({400, 150}); // outside again: one more
    EXPECT_TRUE(target.Serve([&] { return target.hides == 2; }));
    EXPECT_FALSE(target.Serve([&] { return target.hides > 2; }, 200ms)) << "one per press";
    EXPECT_EQ(target.wakes, 0);

    // The window goes: nothing reaches it, and the hook goes on working for
    // the next window it is given.
    DestroyWindow(target.window);
    Click({50, 50});
    Target next;
    ASSERT_TRUE(SetHook(next.window, &panel)) << "a set hook takes the new window";
    Click({50, 50});
    EXPECT_TRUE(next.Serve([&] { return next.hides == 1; }));
}

TEST_F(SystemHookTest, TheFirstInputWithTheZeroRectangleWakesOnce) {
    Target target;
    const RECT zero{};
    ASSERT_TRUE(SetHook(target.window, &zero));
    PressShift();
    EXPECT_TRUE(target.Serve([&] { return target.wakes == 1; }));
    PressShift();
    Click({50, 50});
    EXPECT_FALSE(target.Serve([&] { return target.wakes > 1; }, 300ms)) << "once per hook";
    EXPECT_EQ(target.hides, 0) << "no hide with the zero rectangle";

    ASSERT_TRUE(UnsetHook());
    ASSERT_TRUE(SetHook(target.window, &zero));
    Click({60, 60});
    EXPECT_TRUE(target.Serve([&] { return target.wakes == 2; })) << "a new hook wakes again";
}

TEST_F(SystemHookTest, InputFlowsWhileThePanelsThreadIsBusy) {
    // The target's thread is held for 2 s; input made meanwhile is not held,
    // and what the hook posted reaches the target once it is free.
    std::atomic<HWND> window{nullptr};
    std::atomic<bool> busy{false};
    std::atomic<int> hides{0};
    std::thread panel([&] {
        Target target;
        window = target.window;
        busy = true;
        Sleep(2000);
        busy = false;
        target.Serve([&] { return target.hides >= 10; }, 5s);
        hides = target.hides;
    });
    ASSERT_TRUE(WaitUntil([&] { return busy.load(); }, 5s));
    const RECT rect{100, 100, 300, 200};
    ASSERT_TRUE(SetHook(window, &rect));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i)
        Click({20 + i, 20});
    PressShift();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(busy) << "the panel's thread was still busy throughout";
    EXPECT_LT(took, 1s) << "input waited for the busy panel";
    panel.join();
    EXPECT_EQ(hides, 10) << "one hide a press, delivered once the panel was free";
}

namespace {
// A hook library that fails on purpose, and counts its calls. Its functions
// take their arguments off the stack themselves (the standard call), as a
// library that states no convention may.
struct FailingLibrary {
    static inline bool set = false;
    static inline int setCalls = 0, unsetCalls = 0;
    static inline RECT lastRect{};
    static BOOLEAN __stdcall SetHook(HWND, const RECT* rect) {
        ++setCalls;
        lastRect = *rect;
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    static BOOLEAN __stdcall UnsetHook() {
        ++unsetCalls;
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    static BOOLEAN __stdcall IsHookSet() { return set; }
};

template <class Function> FARPROC AsLibraryFunction(Function function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}
} // namespace

TEST(PanelHookWrappers, FailuresAreShownWithTheSystemsErrorCode) {
    UiQueue queue;
    MessageBoxSink errors(queue);
    HookLibrary library;
    library.setHook = AsLibraryFunction(&FailingLibrary::SetHook);
    library.unsetHook = AsLibraryFunction(&FailingLibrary::UnsetHook);
    library.isHookSet = AsLibraryFunction(&FailingLibrary::IsHookSet);
    PanelHook hook(errors, library);
    FailingLibrary::set = false;
    EXPECT_EQ(MessageBoxesDuring([&] {
                  EXPECT_FALSE(hook.SetPanelHook(HookRect{1, 2, 3, 4}));
              }),
              std::vector<std::string>{"setHookFunc error 5"});
    const RECT& passed = FailingLibrary::lastRect;
    EXPECT_EQ(std::vector<LONG>({passed.left, passed.top, passed.right, passed.bottom}),
              std::vector<LONG>({1, 2, 3, 4}));
    EXPECT_TRUE(hook.RemovePanelHook()) << "nothing set: nothing is called";
    EXPECT_EQ(FailingLibrary::unsetCalls, 0);

    FailingLibrary::set = true;
    EXPECT_TRUE(hook.SetPanelHook(HookRect{5, 6, 7, 8})) << "a set hook keeps its rectangle";
    EXPECT_EQ(FailingLibrary::setCalls, 1);
    EXPECT_EQ(MessageBoxesDuring([&] { EXPECT_FALSE(hook.RemovePanelHook()); }),
              std::vector<std::string>{"unSetHookFunc error 5"});
}

TEST(PanelWithTheBacklightOff, OneHookWithTheZeroRectangleThenAnyInputWakesIt) {
    std::unique_ptr<KeypadSimClient> sim = OpenOwnController();
    ASSERT_TRUE(sim);
    RunningPanel running([](CLumitraxDlg&) {});
    ASSERT_TRUE(running.WaitUntilPolling(20s));
    CLumitraxDlg& panel = running.Panel();
    ASSERT_TRUE(OnPanelThread(panel.Queue(), [&] { panel.ShowPanel(); }));
    ASSERT_TRUE(IsHookSet()) << "the shown panel's hook";

    const uint64_t seq = LastSeq(*sim);
    // The click comes while the poll thread's update of the function button
    // still waits for the panel's thread: the update shows the backlight as
    // it is when it runs.
    QueuedPanelOperations pollPanel(panel, panel.State(), panel.Queue(), panel.Audio());
    ASSERT_TRUE(OnPanelThread(panel.Queue(), [&] {
        pollPanel.UpdateFunctionButton();
        SendMessageA(panel.Controls().functionButton.GetSafeHwnd(), BM_CLICK, 0, 0);
    }));
    UINT picture = 0;
    ASSERT_TRUE(OnPanelThread(panel.Queue(),
                              [&] { picture = panel.Controls().functionButton.PictureId(); }));
    EXPECT_EQ(picture, UINT{IDB_BACKLIGHT_OFF});
    ASSERT_TRUE(sim->WaitFor(keypad::LogPattern{'W', 20}, seq, 5000)) << "by the poll thread";
    EXPECT_EQ(WritesAfter(*sim, seq), "W20=0");
    EXPECT_FALSE(IsWindowVisible(panel.GetSafeHwnd()));
    EXPECT_TRUE(IsHookSet()) << "one hook: the backlight's, set after the panel's went";

    const uint64_t woken = LastSeq(*sim);
    PressShift(); // any input of the person, here a key
    ASSERT_TRUE(sim->WaitFor(keypad::LogPattern{'W', 20}, woken, 5000));
    EXPECT_EQ(WritesAfter(*sim, woken), "W20=1");
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(panel.GetSafeHwnd()) != 0; }, 5s));
    EXPECT_TRUE(IsHookSet()) << "now the panel's hook again";
}

TEST(PanelWithTheBacklightOff, TheHookAndTheIconGoWhenThePanelEnds) {
    std::unique_ptr<KeypadSimClient> sim = OpenOwnController();
    ASSERT_TRUE(sim);
    for (const bool endOfSession : {false, true}) {
        SCOPED_TRACE(endOfSession ? "the session ends" : "the panel closes");
        RunningPanel running([](CLumitraxDlg&) {});
        ASSERT_TRUE(running.WaitUntilPolling(20s));
        CLumitraxDlg& panel = running.Panel();
        ASSERT_TRUE(OnPanelThread(panel.Queue(), [&] { panel.ShowPanel(); }));
        ASSERT_TRUE(IsHookSet());
        const HWND window = panel.GetSafeHwnd();
        ASSERT_TRUE(ShellHasTrayIcon(window)) << "the icon is there";
        if (endOfSession) {
            // The system may end the process after this without a WM_DESTROY.
            SendMessageA(window, WM_ENDSESSION, TRUE, 0);
            EXPECT_FALSE(IsHookSet());
            EXPECT_FALSE(ShellHasTrayIcon(window)) << "the icon is gone";
        } else {
            PostMessageA(window, WM_CLOSE, 0, 0);
            ASSERT_TRUE(WaitUntil([&] { return running.PollingWhenEnded() != -1; }, 10s));
            EXPECT_FALSE(IsHookSet());
        }
    }
}
