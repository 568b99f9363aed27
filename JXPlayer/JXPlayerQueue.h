#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

// First-in-first-out queue of owned pointers shared by two player threads (packets from
// the reader thread to a decode thread, frames from a decode thread to a render thread,
// commands from the client to the reader thread). Each operation holds the queue's own
// lock for its duration only, so no caller ever holds two queue locks at once. A taker
// with nothing to do waits in waitForItem, which a push ends at once.
template <typename T>
class JXPlayerQueue
{
public:
    JXPlayerQueue() = default;
    ~JXPlayerQueue() { clear(); }
    JXPlayerQueue(const JXPlayerQueue &) = delete;
    JXPlayerQueue &operator=(const JXPlayerQueue &) = delete;

    // Appends item; the queue owns it from then on.
    void push(T *item)
    {
        {
            std::lock_guard<std::mutex> guard(mutex);
            items.push_back(item);
        }
        arrived.notify_all();
    }

    // Returns when an item waits or after milliseconds, whichever comes first; whether an
    // item waits. The bound lets the taker look at its stop and flush requests meanwhile.
    bool waitForItem(int milliseconds) const
    {
        std::unique_lock<std::mutex> guard(mutex);
        return arrived.wait_for(guard, std::chrono::milliseconds(milliseconds),
                                [this] { return !items.empty(); });
    }

    // Removes and returns the oldest item, or null when empty; the caller owns the result.
    T *pop()
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (items.empty())
            return nullptr;
        T *item = items.front();
        items.pop_front();
        return item;
    }

    int size() const
    {
        std::lock_guard<std::mutex> guard(mutex);
        return static_cast<int>(items.size());
    }

    // Destroys every item. The items are destroyed outside the lock, so a slow destructor
    // never holds up the other side of the queue.
    void clear()
    {
        std::deque<T *> gone;
        {
            std::lock_guard<std::mutex> guard(mutex);
            gone.swap(items);
        }
        for (T *item : gone)
            delete item;
    }

private:
    // A pthread mutex rather than QMutex: its contended path is visible to ThreadSanitizer.
    mutable std::mutex mutex;
    mutable std::condition_variable arrived; // signalled after every push
    std::deque<T *> items;                   // owned; under mutex
};
