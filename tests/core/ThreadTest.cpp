#include "JXUtils/JXThread.h"
#include "JXUtils/JXThreadLocker.h"

#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

namespace {
// Repeats a tiny piece of work and a 1 ms sleep until asked to stop.
class CountingThread : public JXThread
{
public:
    void run() override
    {
        threadName = QThread::currentThread()->objectName();
        while (!isStopRequested()) {
            passes.fetch_add(1);
            msleep(1);
        }
    }
    std::atomic<int> passes{0};
    QString threadName;
};

class OneShotThread : public JXThread
{
public:
    void run() override { ran.fetch_add(1); }
    std::atomic<int> ran{0};
};
} // namespace

TEST(JXThread, StopBeforeStartHasNoLastingEffect)
{
    OneShotThread thread;
    thread.stop();
    EXPECT_TRUE(thread.isStopRequested());
    EXPECT_TRUE(thread.start());
    EXPECT_FALSE(thread.isStopRequested());
    thread.wait();
    EXPECT_EQ(thread.ran.load(), 1);
    EXPECT_FALSE(thread.isRunning());
}

TEST(JXThread, SleepingBodyEndsPromptlyAfterStop)
{
    CountingThread thread;
    thread.start();
    while (thread.passes.load() < 5)
        QThread::msleep(1);
    EXPECT_TRUE(thread.isRunning());

    QElapsedTimer timer;
    timer.start();
    thread.stop();
    thread.wait();
    EXPECT_LT(timer.elapsed(), 500); // one pass is ~1 ms; generous for a loaded machine
    EXPECT_FALSE(thread.isRunning());
}

TEST(JXThread, CanBeStartedAgainAfterJoin)
{
    CountingThread thread;
    for (int round = 0; round < 3; ++round) {
        const int before = thread.passes.load();
        thread.start();
        while (thread.passes.load() == before)
            QThread::msleep(1);
        thread.stop();
        thread.wait();
    }
    EXPECT_GE(thread.passes.load(), 3);
}

TEST(JXThread, NameIsGivenToTheThreadObject)
{
    CountingThread named;
    named.setName("VeltoSDKSendThread");
    named.start();
    named.stop();
    named.wait();
    EXPECT_EQ(named.threadName, "VeltoSDKSendThread");

    CountingThread unnamed;
    unnamed.setName(nullptr);
    unnamed.start();
    unnamed.stop();
    unnamed.wait();
    EXPECT_EQ(unnamed.threadName, "");
}

TEST(JXThread, NowIsEpochSecondsWithMillisecondResolution)
{
    const double a = JXThread::now();
    EXPECT_GT(a, 1.7e9); // after 2023
    // Millisecond resolution: a whole number of milliseconds.
    EXPECT_NEAR(a * 1000.0, std::round(a * 1000.0), 1e-3);

    JXThread::msleep(150);
    const double b = JXThread::now();
    EXPECT_GE(b - a, 0.150 - 0.001);
    EXPECT_LT(b - a, 0.150 + 0.250);
}

TEST(JXThreadLocker, GuardsASharedCounter)
{
    JXThreadLocker locker;
    long counter = 0;
    class Adder : public JXThread
    {
    public:
        Adder(JXThreadLocker &l, long &c) : locker(l), counter(c) {}
        void run() override
        {
            for (int i = 0; i < 100000; ++i) {
                locker.lock();
                ++counter;
                locker.unlock();
            }
        }
        JXThreadLocker &locker;
        long &counter;
    } a(locker, counter), b(locker, counter);
    a.start();
    b.start();
    a.wait();
    b.wait();
    EXPECT_EQ(counter, 200000);
    EXPECT_EQ(locker.lock(), 0);
    EXPECT_EQ(locker.unlock(), 0);
}
