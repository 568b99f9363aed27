#include "JXUtils/JXThread.h"

#include "JXUtils/JXThreadPrivate.h"

#include <QDateTime>

#include <chrono>

JXThreadPrivate::JXThreadPrivate(JXThread *owner) : owner(owner)
{}

namespace {
// The JXThread whose body runs on this thread, or null.
thread_local const JXThread *runningBody = nullptr;
} // namespace

void JXThreadPrivate::run()
{
    runningBody = owner;
    owner->run();
    runningBody = nullptr;
    bodyEnded.store(true, std::memory_order_release);
}

JXThread::JXThread() : thread(new JXThreadPrivate(this))
{}

JXThread::~JXThread()
{
    delete thread;
}

void JXThread::stop()
{
    stopFlag.store(true, std::memory_order_relaxed);
}

void JXThread::setName(const char *name)
{
    thread->setName(name ? QString::fromUtf8(name) : QString());
}

bool JXThread::start()
{
    stopFlag.store(false, std::memory_order_relaxed);
    thread->bodyEnded.store(false, std::memory_order_relaxed);
    if (!thread->threadName().isEmpty())
        thread->setObjectName(thread->threadName());
    thread->start(QThread::InheritPriority);
    return true;
}

bool JXThread::isStopRequested() const
{
    return stopFlag.load(std::memory_order_relaxed);
}

bool JXThread::isRunning() const
{
    return thread->isRunning();
}

void JXThread::wait()
{
    thread->wait();
    (void)thread->bodyEnded.load(std::memory_order_acquire);
}

void JXThread::halt()
{
    stop();
    wait();
}

bool JXThread::currentStopRequested()
{
    return runningBody != nullptr && runningBody->isStopRequested();
}

void JXThread::msleep(int milliseconds)
{
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

double JXThread::now()
{
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

double JXThread::monotonic()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
