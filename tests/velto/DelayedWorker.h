#pragma once

#include "JXUtils/JXThread.h"

#include <atomic>
#include <functional>

// Runs one protocol operation on a JXThread after a pause, as a dialog's worker does; a
// test asks it to stop and cancels during the pause, before the operation has begun.
class DelayedWorker : public JXThread
{
public:
    static constexpr int kPauseMs = 300;

    explicit DelayedWorker(std::function<int()> operation) : operation(std::move(operation)) {}
    ~DelayedWorker() override { halt(); }

    void run() override
    {
        msleep(kPauseMs);
        result.store(operation());
    }

    std::atomic<int> result{1000}; // written by the worker, read after wait()

private:
    std::function<int()> operation; // called on the worker thread only
};
