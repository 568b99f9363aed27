#include "JXUtils/JXThreadLocker.h"

#include <QMutex>

JXThreadLocker::JXThreadLocker() : mutex(new QMutex)
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
