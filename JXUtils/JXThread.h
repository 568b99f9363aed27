#pragma once

#include <atomic>
#include <type_traits>

class JXThreadPrivate;

// Base of every long-running worker: owns a toolkit thread that runs run(). The owner's
// shutdown order is always stop(), wait(), then delete; a JXThread whose body still runs
// must not be destroyed. halt() writes that order once for every owner.
class JXThread
{
public:
    JXThread();
    virtual ~JXThread();
    JXThread(const JXThread &) = delete;
    JXThread &operator=(const JXThread &) = delete;

    // Asks the body to end and returns at once. Subclasses also unblock their body.
    virtual void stop();
    // The body, executed on the new thread; returns when it sees the stop flag.
    virtual void run() = 0;

    // Thread object name shown in debuggers; takes effect at the next start().
    void setName(const char *name);
    // Clears the stop flag and starts the thread; always true.
    bool start();
    bool isStopRequested() const;
    bool isRunning() const;
    // Blocks until the body has returned.
    void wait();
    // stop(), then wait(): the worker is joined and may be started again or deleted.
    void halt();

    // Whether the calling thread is a JXThread body whose stop has been asked: a blocking
    // operation about to start on such a thread was cancelled before it began.
    static bool currentStopRequested();

    static void msleep(int milliseconds);
    // Wall clock in seconds since 1970-01-01 UTC, millisecond resolution. For what is shown
    // and logged only: it jumps when the time of day is set.
    static double now();
    // Seconds on a clock that never jumps (always positive). Every interval, deadline and
    // pacing is measured with it.
    static double monotonic();

    // Publishes worker in slot before it starts, so its body already finds itself there.
    template <typename Slot, typename Worker>
    static void launch(Slot &slot, Worker *worker)
    {
        slot = worker;
        worker->start();
    }

    // The one shutdown of an owned worker held in slot (a plain or an atomic pointer):
    // stop (ask; a worker's stop() also unblocks its body), wake (what only the owner can
    // break, e.g. a dialog's interrupt()), join, forget, delete. A worker that is not a
    // JXThread but an object whose own stop() joins its threads (a player stage) goes
    // through the same steps, its join being part of its stop(). Controlling thread only.
    template <typename Slot, typename Wake>
    static void halt(Slot &slot, Wake &&wake)
    {
        auto *worker = load(slot);
        if (!worker)
            return;
        worker->stop();
        wake();
        join(worker);
        slot = nullptr;
        delete worker;
    }

    template <typename Slot>
    static void halt(Slot &slot)
    {
        halt(slot, [] {});
    }

    // Whether the worker in slot exists and its body runs.
    template <typename Thread>
    static bool running(const std::atomic<Thread *> &slot)
    {
        Thread *worker = slot.load();
        return worker && worker->isRunning();
    }

    // Whether the body in slot should do another pass: the thread exists and no stop has
    // been asked. Bodies test it at the top of every loop.
    template <typename Thread>
    static bool mayGoOn(const std::atomic<Thread *> &slot)
    {
        Thread *worker = slot.load();
        return worker && !worker->isStopRequested();
    }

private:
    template <typename T>
    static T *load(T *slot)
    {
        return slot;
    }
    template <typename T>
    static T *load(const std::atomic<T *> &slot)
    {
        return slot.load();
    }

    template <typename Worker>
    static void join(Worker *worker)
    {
        if constexpr (std::is_base_of<JXThread, Worker>::value)
            worker->wait();
    }

    JXThreadPrivate *thread;           // owned; created with this object
    std::atomic<bool> stopFlag{false}; // written by the controller, read by the body
};
