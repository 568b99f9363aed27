#pragma once

#include <mutex>

// Held by every exported call for its whole length: callers on several threads are served
// one call at a time instead of sharing the state record, the spool file and the buffers
// half-way through a command. Recursive, since an export may call another (a failed send
// closes the port).
class KorvalApiLock
{
public:
    KorvalApiLock() : guard(mutex()) {}
    KorvalApiLock(const KorvalApiLock &) = delete;
    KorvalApiLock &operator=(const KorvalApiLock &) = delete;

private:
    static std::recursive_mutex &mutex(); // one for the process, never destroyed
    std::lock_guard<std::recursive_mutex> guard;
};
