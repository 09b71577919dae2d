#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "framework/UiQueue.h"
#include "framework/WorkerThread.h"

namespace {
// A message-only window that runs what its queue holds.
struct QueueWindow {
    UiQueue queue;
    HWND window = nullptr;

    QueueWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "LumitraxQueueTest";
        RegisterClassA(&wc);
        window = CreateWindowA("LumitraxQueueTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~QueueWindow() { DestroyWindow(window); }

    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<QueueWindow*>(GetWindowLongPtrA(w, GWLP_USERDATA));
        if (self && m == WM_RUN_QUEUED) {
            self->queue.RunQueued();
            return 0;
        }
        return DefWindowProcA(w, m, wp, lp);
    }
    // Serves the window's messages until done() holds or 5 s pass.
    template <class Done> bool Pump(Done done) {
        const DWORD deadline = GetTickCount() + 5000;
        while (!done()) {
            if (GetTickCount() > deadline)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
        return true;
    }
};
} // namespace

TEST(UiQueue, WorkFromAnotherThreadRunsInOrderOnTheWindowsThread) {
    QueueWindow target;
    const DWORD uiThread = GetCurrentThreadId();
    std::vector<int> ran;
    std::atomic<int> wrongThread{0};
    WorkerThread worker;
    worker.Start([&] {
        for (int i = 0; i < 2000; ++i)
            target.queue.Post(target.window, [&, i] {
                if (GetCurrentThreadId() != uiThread)
                    wrongThread++;
                ran.push_back(i);
            });
    });
    ASSERT_TRUE(target.Pump([&] { return ran.size() == 2000; }));
    worker.WaitServingSentMessages();
    EXPECT_EQ(wrongThread, 0);
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(ran[i], i);
}

TEST(UiQueue, ClearDropsWhatIsStillQueued) {
    QueueWindow target;
    int ran = 0;
    target.queue.Post(target.window, [&] { ran++; });
    target.queue.Clear();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    EXPECT_EQ(ran, 0);
}

TEST(WorkerThread, WaitingServesMessagesSentToTheWaitingThread) {
    // The worker sends a message to a window of the waiting thread and only
    // then ends: a plain wait would never return.
    QueueWindow target;
    std::atomic<bool> answered{false};
    WorkerThread worker;
    worker.Start([&] {
        SendMessageA(target.window, WM_NULL, 0, 0);
        answered = true;
    });
    worker.WaitServingSentMessages();
    EXPECT_TRUE(answered);
}
