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
    // Waits for the thread unless it was abandoned.
    ~WorkerThread();

    // Starts the thread at normal priority with the given stack size (0: the
    // default); false (with the system's error code in GetLastError) when it
    // could not be started.
    bool Start(std::function<void()> work, SIZE_T stackSize = 0);
    // Waits until the thread has ended, at most timeoutMs; true once it has
    // ended (or when none was started). May be called again from a message
    // it serves: each wait then ends when the thread has.
    bool WaitServingSentMessages(DWORD timeoutMs = INFINITE);
    // Lets a thread that did not end run on unobserved; this object may then
    // go, but everything the thread's function uses must stay alive for the
    // rest of the process. Not to be followed by Start, nor called from a
    // message a wait serves.
    void Abandon();

private:
    static DWORD WINAPI Entry(void* self);
    std::function<void()> work_;
    KernelHandle handle_;
};
