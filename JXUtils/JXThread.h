#pragma once

#include <atomic>

class JXThreadPrivate;

// Base of every long-running worker: owns a toolkit thread that runs run(). The owner's
// shutdown order is always stop(), wait(), then delete; a JXThread whose body still runs
// must not be destroyed.
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

    static void msleep(int milliseconds);
    // Wall clock in seconds since 1970-01-01 UTC, millisecond resolution.
    static double now();

private:
    JXThreadPrivate *thread;           // owned; created with this object
    std::atomic<bool> stopFlag{false}; // written by the controller, read by the body
};
