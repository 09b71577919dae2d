#include "framework/WorkerThread.h"

WorkerThread::~WorkerThread() {
    WaitServingSentMessages();
}

bool WorkerThread::Start(std::function<void()> work, SIZE_T stackSize) {
    WaitServingSentMessages();
    work_ = std::move(work);
    handle_.Reset(CreateThread(nullptr, stackSize, Entry, this, 0, nullptr));
    return handle_.Get() != nullptr;
}

bool WorkerThread::WaitServingSentMessages(DWORD timeoutMs) {
    // GetTickCount (Windows XP has no 64-bit count): differences of its
    // values are right across its wrap after 49.7 days.
    const DWORD start = GetTickCount();
    for (;;) {
        // Taken anew each time: a message served below may run a wait of its
        // own, which sees the thread end and closes the handle.
        HANDLE thread = handle_.Get();
        if (!thread)
            return true;
        DWORD left = INFINITE;
        if (timeoutMs != INFINITE) {
            const DWORD spent = GetTickCount() - start;
            left = spent >= timeoutMs ? 0 : timeoutMs - spent;
        }
        const DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0)
            break;
        if (woken != WAIT_OBJECT_0 + 1)
            return false; // timed out (or the wait failed): the thread still runs
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    handle_.Reset();
    return true;
}

void WorkerThread::Abandon() {
    handle_.Reset();
}

DWORD WINAPI WorkerThread::Entry(void* self) {
    // The thread keeps its own function, so that an abandoned thread does
    // not depend on this object.
    const std::function<void()> work = std::move(static_cast<WorkerThread*>(self)->work_);
    work();
    return 0;
}
