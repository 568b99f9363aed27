#include "KorvalApiLock.h"

thread_local int KorvalApiLock::depth = 0;

KorvalApiLock::KorvalApiLock() : guard(mutex(), std::defer_lock)
{
    if (depth++ == 0)
        guard.lock();
}

KorvalApiLock::~KorvalApiLock()
{
    --depth;
}

std::mutex &KorvalApiLock::mutex()
{
    // Leaked on purpose: a caller's thread may still be inside an export while the
    // process exits and static objects are destroyed.
    static auto *const processLock = new std::mutex;
    return *processLock;
}
