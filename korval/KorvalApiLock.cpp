#include "KorvalApiLock.h"

std::recursive_mutex &KorvalApiLock::mutex()
{
    // Leaked on purpose: a caller's thread may still be inside an export while the
    // process exits and static objects are destroyed.
    static auto *const processLock = new std::recursive_mutex;
    return *processLock;
}
