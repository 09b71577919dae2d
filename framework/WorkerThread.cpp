#include "framework/WorkerThread.h"

WorkerThread::~WorkerThread() {
    WaitServingSentMessages();
}

bool WorkerThread::Start(std::function<void()> work) {
    WaitServingSentMessages();
    work_ = std::move(work);
    handle_.Reset(CreateThread(nullptr, 0, Entry, this, 0, nullptr));
    return handle_.Get() != nullptr;
}

void WorkerThread::WaitServingSentMessages() {
    HANDLE thread = handle_.Get();
    if (!thread)
        return;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) ==
           WAIT_OBJECT_0 + 1) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    handle_.Reset();
}

DWORD WINAPI WorkerThread::Entry(void* self) {
    static_cast<WorkerThread*>(self)->work_();
    return 0;
}
