#pragma once
// A worker thread that runs one function. Its owner waits for its end with
// WaitServingSentMessages, which keeps answering messages that other threads
// send to the waiting thread's windows (a message box owned by them, say).
#include <functional>

#include "framework/Handle.h"

class WorkerThread {
public:
    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    ~WorkerThread();

    // Starts the thread at normal priority with the default stack size.
    bool Start(std::function<void()> work);
    // Waits until the thread has ended.
    void WaitServingSentMessages();

private:
    static DWORD WINAPI Entry(void* self);
    std::function<void()> work_;
    KernelHandle handle_;
};
