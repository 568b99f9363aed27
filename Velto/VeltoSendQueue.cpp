#include "Velto/VeltoSendQueue.h"

#include <chrono>
#include <mutex>

VeltoSendQueue::~VeltoSendQueue()
{
    clear();
}

void VeltoSendQueue::append(QJsonObject *message)
{
    std::lock_guard<JXThreadLocker> guard(lock);
    queue.append(message);
    ready.notify_all();
}

QJsonObject *VeltoSendQueue::take()
{
    std::lock_guard<JXThreadLocker> guard(lock);
    return queue.isEmpty() ? nullptr : queue.takeFirst();
}

// A wait that wakes on work, not a poll: an idle program no longer wakes a thousand times
// a second to find the queue empty.
QJsonObject *VeltoSendQueue::waitFor(int timeoutMs, const std::function<bool()> &sendable,
                                     const std::function<bool()> &stopped)
{
    std::unique_lock<JXThreadLocker> guard(lock);
    ready.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                   [&] { return stopped() || (sendable() && !queue.isEmpty()); });
    if (!sendable() || queue.isEmpty())
        return nullptr;
    return queue.takeFirst();
}

// Taking the lock orders the caller's change (a stop flag, the receive side's state)
// before the waiter's next look at it, so the wake-up is never lost between its look and
// its sleep.
void VeltoSendQueue::wake()
{
    std::lock_guard<JXThreadLocker> guard(lock);
    ready.notify_all();
}

void VeltoSendQueue::clear()
{
    std::lock_guard<JXThreadLocker> guard(lock);
    qDeleteAll(queue);
    queue.clear();
}
