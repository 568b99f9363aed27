#include "JXUtils/JXMemberThread.h"
#include "JXUtils/JXThread.h"
#include "JXUtils/JXThreadLocker.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <string>
#include <vector>

namespace {
// How long a started thread may take to make its first passes on a loaded machine; a
// body that never runs fails its test, which then still stops and joins the thread.
constexpr int kStartMs = 10000;

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
    EXPECT_TRUE(QTest::qWaitFor([&] { return thread.passes.load() >= 5; }, kStartMs))
        << "the body did not run";
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
        EXPECT_TRUE(QTest::qWaitFor([&] { return thread.passes.load() > before; }, kStartMs))
            << "round " << round << " did not run";
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
                std::lock_guard<JXThreadLocker> guard(locker);
                ++counter;
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

namespace {
// What happened during a shutdown, in order, from whichever thread it happened on.
class StepLog
{
public:
    void add(const std::string &step)
    {
        std::lock_guard<std::mutex> guard(mutex);
        steps.push_back(step);
    }
    std::vector<std::string> all() const
    {
        std::lock_guard<std::mutex> guard(mutex);
        return steps;
    }

private:
    mutable std::mutex mutex;
    std::vector<std::string> steps; // under mutex
};

// A body blocked where only its owner's wake reaches it (as a dialog's job blocked in a
// protocol wait): it ends once woken, or gives up after five seconds so that a halt that
// joins before it wakes fails the test instead of hanging it.
class BlockedThread : public JXThread
{
public:
    explicit BlockedThread(StepLog &log) : log(log) {}
    ~BlockedThread() override { log.add("deleted"); }
    void stop() override
    {
        log.add("stop");
        JXThread::stop();
    }
    void run() override
    {
        const double end = now() + 5.0;
        while (!woken.load() && now() < end)
            msleep(1);
        log.add(woken.load() ? "body ended" : "gave up");
    }
    StepLog &log;
    std::atomic<bool> woken{false};
};

// A stage whose own stop() joins its threads, as the player's stages do.
class Stage
{
public:
    explicit Stage(StepLog &log) : log(log) {}
    ~Stage() { log.add("deleted"); }
    void stop() { log.add("stop"); }
    StepLog &log;
};

const std::vector<std::string> kShutdown = {"stop", "wake", "body ended", "deleted"};
} // namespace

TEST(JXThreadHalt, StopsWakesJoinsThenDeletesAndForgets)
{
    {
        StepLog log;
        BlockedThread *plain = new BlockedThread(log);
        plain->start();
        JXThread::halt(plain, [&] {
            log.add("wake");
            plain->woken = true;
        });
        EXPECT_EQ(plain, nullptr);
        EXPECT_EQ(log.all(), kShutdown);
    }
    {
        StepLog log;
        std::atomic<BlockedThread *> slot{nullptr};
        JXThread::launch(slot, new BlockedThread(log));
        BlockedThread *worker = slot.load();
        EXPECT_TRUE(JXThread::running(slot));
        JXThread::halt(slot, [&] {
            log.add("wake");
            worker->woken = true;
        });
        EXPECT_EQ(slot.load(), nullptr);
        EXPECT_FALSE(JXThread::running(slot));
        EXPECT_EQ(log.all(), kShutdown);
    }
}

TEST(JXThreadHalt, EmptySlotsAndStagesWithoutThreads)
{
    StepLog log;
    BlockedThread *none = nullptr;
    JXThread::halt(none, [&] { log.add("wake"); });
    std::atomic<BlockedThread *> noneAtomic{nullptr};
    JXThread::halt(noneAtomic);
    EXPECT_TRUE(log.all().empty()); // nothing to stop means nothing to wake

    Stage *stage = new Stage(log);
    JXThread::halt(stage);
    EXPECT_EQ(stage, nullptr);
    EXPECT_EQ(log.all(), (std::vector<std::string>{"stop", "deleted"}));
}

TEST(JXThreadHalt, MemberHaltJoinsAndAllowsARestart)
{
    CountingThread thread;
    thread.start();
    thread.halt(); // possibly before the body's first pass
    EXPECT_FALSE(thread.isRunning());
    EXPECT_TRUE(thread.isStopRequested());
    const int joinedAt = thread.passes.load();
    QThread::msleep(20);
    EXPECT_EQ(thread.passes.load(), joinedAt); // no pass runs after the join

    thread.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return thread.passes.load() > joinedAt; }, kStartMs))
        << "the restarted body did not run";
    thread.halt();
    EXPECT_FALSE(thread.isRunning());
}

namespace {
// An owner with two loops, each run by a member thread, as the decoder and the render are.
class TwoLoops
{
public:
    void first() { record(0); }
    void second() { record(1); }

    std::atomic<JXMemberThread<TwoLoops> *> threads[2] = {{nullptr}, {nullptr}};
    QString names[2];       // written by thread i, read after its join
    QThread *ranOn[2] = {}; // likewise
    std::atomic<int> passes[2] = {{0}, {0}};

private:
    void record(int i)
    {
        names[i] = QThread::currentThread()->objectName();
        ranOn[i] = QThread::currentThread();
        while (JXThread::mayGoOn(threads[i])) {
            passes[i].fetch_add(1);
            JXThread::msleep(1);
        }
    }
};
} // namespace

TEST(JXMemberThread, RunsTheOwnersBodyOnANamedThreadOfItsOwn)
{
    TwoLoops owner;
    JXThread::launch(owner.threads[0], new JXMemberThread<TwoLoops>(&owner, &TwoLoops::first,
                                                                    "JXPlayerDecoderVideoThread"));
    JXThread::launch(owner.threads[1], new JXMemberThread<TwoLoops>(&owner, &TwoLoops::second,
                                                                    "JXPlayerDecoderAudioThread"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return owner.passes[0].load() > 0 && owner.passes[1].load() > 0; }, kStartMs))
        << "a body did not run";
    // The bodies loop while their slot holds a thread with no stop asked.
    EXPECT_TRUE(JXThread::mayGoOn(owner.threads[0]));
    JXThread::halt(owner.threads[1]);
    JXThread::halt(owner.threads[0]);
    EXPECT_FALSE(JXThread::mayGoOn(owner.threads[0]));
    EXPECT_EQ(owner.names[0], "JXPlayerDecoderVideoThread");
    EXPECT_EQ(owner.names[1], "JXPlayerDecoderAudioThread");
    EXPECT_NE(owner.ranOn[0], owner.ranOn[1]);
    EXPECT_NE(owner.ranOn[0], QThread::currentThread());
}
