#pragma once

#include "JXUtils/JXThread.h"

#include <atomic>

// A player worker whose end is visible to ThreadSanitizer. QThread's join waits on a futex
// inside QtCore that the sanitizer cannot see, so without this every field the body wrote
// would look raced when its owner reads or frees it after the join. The body publishes its
// end through an atomic that join() reads once the wait is over.
class JXPlayerThread : public JXThread
{
public:
    void run() final
    {
        work();
        bodyEnded.store(true, std::memory_order_release);
    }

    // wait() plus the acquire that pairs with the body's last store.
    void join()
    {
        wait();
        (void)bodyEnded.load(std::memory_order_acquire);
    }

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

private:
    std::atomic<bool> bodyEnded{false};
};
