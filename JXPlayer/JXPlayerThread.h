#pragma once

#include "JXUtils/JXThread.h"

#include <atomic>

// A player worker held in an atomic slot of its stage, with the shutdown order written
// once: ask, join, forget, delete.
class JXPlayerThread : public JXThread
{
public:
    void run() final { work(); }

    void join() { wait(); }

    // Shutdown of a thread held in an atomic slot: ask, join, forget, delete.
    template <typename Thread>
    static void halt(std::atomic<Thread *> &slot)
    {
        if (Thread *worker = slot.load()) {
            worker->stop();
            worker->join();
            slot = nullptr;
            delete worker;
        }
    }

    template <typename Thread>
    static bool running(const std::atomic<Thread *> &slot)
    {
        Thread *worker = slot.load();
        return worker && worker->isRunning();
    }

    // Whether the body in slot should do another pass: the thread exists and no stop has
    // been asked.
    template <typename Thread>
    static bool mayGoOn(const std::atomic<Thread *> &slot)
    {
        Thread *worker = slot.load();
        return worker && !worker->isStopRequested();
    }

protected:
    virtual void work() = 0;
};
