#pragma once

#include "JXUtils/JXThreadLocker.h"

#include <QJsonObject>
#include <QList>

#include <condition_variable>
#include <functional>

// The requests waiting for the send thread. Any worker appends; the send thread takes
// them oldest first, sleeping until there is one it may send instead of polling.
class VeltoSendQueue
{
public:
    VeltoSendQueue() = default;
    ~VeltoSendQueue();
    VeltoSendQueue(const VeltoSendQueue &) = delete;
    VeltoSendQueue &operator=(const VeltoSendQueue &) = delete;

    // Takes ownership of message and wakes the send thread.
    void append(QJsonObject *message);
    // The oldest request (owned by the caller), or null.
    QJsonObject *take();
    // The oldest request (owned by the caller) once sendable() holds, or null after
    // timeoutMs or as soon as stopped() holds. append() and wake() end the wait at once.
    QJsonObject *waitFor(int timeoutMs, const std::function<bool()> &sendable,
                         const std::function<bool()> &stopped);
    // Ends a wait so that it looks at sendable() and stopped() again.
    void wake();
    // Deletes every queued request.
    void clear();

private:
    JXThreadLocker lock;               // guards queue; one list operation per hold
    QList<QJsonObject *> queue;        // owned objects; lock
    std::condition_variable_any ready; // signalled under lock on append() and wake()
};
