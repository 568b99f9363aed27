#pragma once

#include <mutex>

// Held by every exported call for its whole length: callers on several threads are served
// one call at a time instead of sharing the state record, the spool file and the buffers
// half-way through a command. An export may call another (a failed send closes the port),
// so only the outermost export on a thread takes the mutex.
class KorvalApiLock
{
public:
    KorvalApiLock();
    ~KorvalApiLock();
    KorvalApiLock(const KorvalApiLock &) = delete;
    KorvalApiLock &operator=(const KorvalApiLock &) = delete;

private:
    static std::mutex &mutex();         // one for the process
    static thread_local int depth;      // exports of this thread now running; this thread only
    std::unique_lock<std::mutex> guard; // owns the mutex in the outermost export only
};
