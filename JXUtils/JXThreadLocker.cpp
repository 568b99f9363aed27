#include "JXUtils/JXThreadLocker.h"

JXThreadLocker::JXThreadLocker() : mutex(new std::mutex)
{}

JXThreadLocker::~JXThreadLocker()
{
    delete mutex;
}

int JXThreadLocker::lock()
{
    mutex->lock();
    return 0;
}

int JXThreadLocker::unlock()
{
    mutex->unlock();
    return 0;
}
