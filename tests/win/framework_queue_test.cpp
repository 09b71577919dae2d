#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "framework/Dialog.h"
#include "framework/ErrorReport.h"
#include "framework/UiQueue.h"
#include "framework/WorkerThread.h"
#include "tests/win/audio_test_support.h"

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
        queue.SetWindow(window);
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
            target.queue.Post([&, i] {
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
    target.queue.Post([&] { ran++; });
    target.queue.Clear();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    EXPECT_EQ(ran, 0);
    // Work posted afterwards runs as always.
    target.queue.Post([&] { ran++; });
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    EXPECT_EQ(ran, 1);
}

TEST(UiQueue, WorkWhosePostFailedIsNeverStranded) {
    QueueWindow target;
    std::vector<int> ran;
    const auto dispatchAll = [] {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    };
    // A post that fails (here: to a window that is gone) leaves the work
    // queued; the next post is made all the same and carries both.
    const HWND gone = CreateWindowA("LumitraxQueueTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
    DestroyWindow(gone);
    target.queue.SetWindow(gone);
    target.queue.Post([&] { ran.push_back(1); });
    target.queue.SetWindow(target.window);
    target.queue.Post([&] { ran.push_back(2); });
    dispatchAll();
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));

    // Without a further post, the window's thread runs it from its loop.
    ran.clear();
    target.queue.SetWindow(gone);
    target.queue.Post([&] { ran.push_back(3); });
    target.queue.SetWindow(target.window);
    dispatchAll();
    EXPECT_TRUE(ran.empty()) << "no message was posted for it";
    target.queue.RunIfStalled();
    EXPECT_EQ(ran, std::vector<int>{3});
    target.queue.Post([&] { ran.push_back(4); });
    dispatchAll();
    EXPECT_EQ(ran, (std::vector<int>{3, 4})) << "posting works again afterwards";
}

TEST(WorkerThread, AThreadThatCannotBeStartedIsReportedAndNotWaitedFor) {
    WorkerThread worker;
    bool ran = false;
    // More stack than a process can reserve.
    EXPECT_FALSE(worker.Start([&] { ran = true; }, static_cast<SIZE_T>(-1) / 2));
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_TRUE(worker.WaitServingSentMessages(0));
    EXPECT_FALSE(ran);
}

TEST(WorkerThread, AWaitEndsAfterItsTimeoutWhileTheThreadRuns) {
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    WorkerThread worker;
    ASSERT_TRUE(worker.Start([release] { WaitForSingleObject(release, 30000); }));
    EXPECT_FALSE(worker.WaitServingSentMessages(50));
    SetEvent(release);
    EXPECT_TRUE(worker.WaitServingSentMessages(30000));
    CloseHandle(release);
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

TEST(WorkerThread, AWaitInAMessageItServesLeavesTheOuterWaitRight) {
    // The worker's message is served by the wait; its handler waits as well,
    // lets the worker end, sees the end and lets go of the thread's handle,
    // under the outer wait.
    QueueWindow target;
    WorkerThread worker;
    const KernelHandle ending(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    bool nested = false;
    target.queue.Post([&] {
        SetEvent(ending.Get());
        nested = worker.WaitServingSentMessages(5000);
    });
    ASSERT_TRUE(worker.Start([&] {
        SendNotifyMessageA(target.window, WM_RUN_QUEUED, 0, 0);
        WaitForSingleObject(ending.Get(), 5000);
    }));
    EXPECT_TRUE(worker.WaitServingSentMessages(5000));
    EXPECT_TRUE(nested);
    MSG msg; // the queue's own post
    while (PeekMessageA(&msg, target.window, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

TEST(Dialog, AFailedCreationKeepsNoWindow) {
    CDialog dialog(9001); // a control of its template cannot be made
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr) << "a handle of a window that is gone";
}

TEST(MessageBoxSink, FromAnotherThreadTheBoxGoesToTheOwnersThread) {
    QueueWindow owner;
    MessageBoxSink errors(owner.queue);
    errors.SetOwner(owner.window);
    std::thread other([&] { errors.ShowError("from another thread"); });
    other.join(); // it has not waited for the box
    // The owner's thread shows it while it runs its queue; it is read and
    // answered from here.
    const DWORD ownerThread = GetCurrentThreadId();
    std::atomic<bool> answered{false};
    ShownMessageBox shown{};
    std::thread answerer([&] {
        HWND box = nullptr;
        if (!WaitUntil([&] { return (box = FindThreadWindow(ownerThread, IsMessageBox)); },
                       std::chrono::seconds(10)))
            return;
        char caption[64] = "", text[128] = "";
        GetWindowTextA(box, caption, sizeof caption);
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        shown = {caption, text, GetWindow(box, GW_OWNER)};
        answered = true;
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    EXPECT_TRUE(
        owner.Pump([&] { return answered && !FindThreadWindow(ownerThread, IsMessageBox); }));
    answerer.join();
    EXPECT_EQ(shown.text, "from another thread");
    EXPECT_EQ(shown.caption, "Lumitrax");
    EXPECT_EQ(shown.owner, owner.window);
}

TEST(UiQueue, WorkThatRunsAModalLoopDoesNotHoldUpTheRest) {
    // The first piece of work waits in a loop of its own (as a message box
    // does) until the work queued behind it, and work queued meanwhile from
    // another thread, has run.
    QueueWindow target;
    std::vector<int> ran;
    std::atomic<bool> started{false}, laterPosted{false};
    target.queue.Post([&] {
        ran.push_back(1);
        started = true;
        EXPECT_TRUE(target.Pump([&] { return ran.size() == 3; })) << "the rest waited";
    });
    target.queue.Post([&] { ran.push_back(2); });
    std::thread other([&] {
        WaitUntil([&] { return started.load(); }, std::chrono::seconds(5));
        target.queue.Post([&] { ran.push_back(3); });
        laterPosted = true;
    });
    EXPECT_TRUE(target.Pump([&] { return ran.size() == 3 && laterPosted; }));
    other.join();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST(UiQueue, AMessageSentMeanwhileIsAnsweredBeforeWorkQueuedMeanwhile) {
    // The first piece of work holds the thread until another thread's
    // message waits for an answer, and queues more work: the answer comes
    // first, not after everything queued since.
    QueueWindow target;
    std::atomic<int> ran{0};
    std::atomic<bool> answered{false};
    target.queue.Post([&] {
        ++ran;
        EXPECT_TRUE(
            WaitUntil([] { return (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0; },
                      std::chrono::seconds(5)));
        // It waits until the sender has read the count after its answer.
        target.queue.Post([&] {
            WaitUntil([&] { return answered.load(); }, std::chrono::seconds(5));
            ++ran;
        });
    });
    std::atomic<int> ranWhenAnswered{-1};
    std::thread sender([&] {
        WaitUntil([&] { return ran.load() == 1; }, std::chrono::seconds(5));
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutA(target.window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer))
            ranWhenAnswered = ran.load();
        answered = true;
    });
    EXPECT_TRUE(target.Pump([&] { return ran.load() == 2 && ranWhenAnswered.load() != -1; }));
    sender.join();
    EXPECT_EQ(ranWhenAnswered.load(), 1) << "answered only after the work queued meanwhile";
}

namespace {
BOOL CALLBACK AnswerWithOk(HWND window, LPARAM) {
    if (IsMessageBox(window))
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return TRUE;
}

void CloseMessageBoxesOfThread(DWORD threadId) {
    EnumThreadWindows(threadId, AnswerWithOk, 0);
}
} // namespace

TEST(MessageBoxSink, FailuresReportedWhileABoxIsUpWaitForItOnceEach) {
    // A failure that repeats while its box is up (a device that keeps
    // failing) must not stack box upon box on the owner's thread.
    QueueWindow owner;
    MessageBoxSink errors(owner.queue);
    errors.SetOwner(owner.window);
    const DWORD ownerThread = GetCurrentThreadId();
    std::atomic<bool> returned{false}, done{false};
    owner.queue.Post([&] {
        errors.ShowError("first");
        returned = true;
    });

    std::vector<std::string> texts;
    int mostAtOnce = 0;
    std::thread answerer([&] {
        // Waits for the next box, counts the boxes up and answers it; false
        // once the first report has returned.
        const auto answerNext = [&] {
            WaitUntil([&] { return FindThreadWindow(ownerThread, IsMessageBox) || returned; },
                      std::chrono::seconds(10));
            mostAtOnce = std::max(mostAtOnce, MessageBoxesOf(ownerThread));
            const std::optional<ShownMessageBox> box = AnswerMessageBox(ownerThread);
            if (box)
                texts.push_back(box->text);
            return box.has_value();
        };
        if (WaitUntil([&] { return FindThreadWindow(ownerThread, IsMessageBox) != nullptr; },
                      std::chrono::seconds(10))) {
            // Run by the first box's own loop, one after the other.
            std::atomic<bool> reported{false};
            for (const char* text : {"second", "first", "second", "third"})
                errors.ShowError(text);
            owner.queue.Post([&] { reported = true; });
            WaitUntil([&] { return reported.load(); }, std::chrono::seconds(10));
            while (texts.size() < 5 && answerNext()) {
            }
        }
        // Whatever is left up, nested or not, is answered, so that a
        // failure ends the test instead of hanging it.
        WaitUntil(
            [&] {
                CloseMessageBoxesOfThread(ownerThread);
                return returned.load();
            },
            std::chrono::seconds(10));
        done = true;
    });
    EXPECT_TRUE(owner.Pump([&] { return done.load(); }));
    answerer.join();
    EXPECT_EQ(texts, (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(mostAtOnce, 1);
}
