#pragma once

#include <mutex>

// A plain, non-recursive mutex around the queues shared by worker threads.
class JXThreadLocker
{
public:
    JXThreadLocker();
    virtual ~JXThreadLocker();
    JXThreadLocker(const JXThreadLocker &) = delete;
    JXThreadLocker &operator=(const JXThreadLocker &) = delete;

    int lock();
    int unlock();

private:
    std::mutex *mutex; // owned
};
