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
    // A plain static, not a heap object: the library may be unloaded and loaded again for
    // each label, and a heap object would be lost at every unload. std::mutex has a trivial
    // destructor, so a thread still inside an export at process exit is not disturbed.
    static std::mutex processLock;
    return processLock;
}
