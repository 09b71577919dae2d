#pragma once
// Running a test's work on the panel's own thread, through its work queue.
#include <windows.h>

#include <chrono>
#include <memory>
#include <mutex>

#include "framework/UiQueue.h"

// Runs work on the queue's thread and waits for it, at most the timeout.
// Work that has not started by then never runs: what it refers to may be
// gone by the time the thread gets to it. Work that has started is waited
// for to its end, however long it takes (it holds the lock meanwhile).
template <class Work>
bool OnPanelThread(UiQueue& queue, Work work,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    struct Run {
        std::mutex mutex;
        bool done = false, abandoned = false;
    };
    const auto run = std::make_shared<Run>();
    queue.Post([run, work] {
        const std::lock_guard<std::mutex> lock(run->mutex);
        if (run->abandoned)
            return;
        work();
        run->done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        {
            const std::lock_guard<std::mutex> lock(run->mutex);
            if (run->done || std::chrono::steady_clock::now() >= deadline) {
                run->abandoned = true;
                return run->done;
            }
        }
        Sleep(1);
    }
}
