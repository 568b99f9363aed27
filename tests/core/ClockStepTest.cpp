// Setting the time of day while the program waits: what is shown follows it, intervals do
// not. The clockstep shim (preloaded) moves CLOCK_REALTIME and gettimeofday.
#include "support/ClockStep.h"
#include "support/ClockStepExpect.h"

#include "JXUtils/JXThread.h"
#include "Velto/VeltoDevice.h"
#include "Velto/VeltoSDK.h"

#include <QVector>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {
double steadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Steps the time of day by seconds after delayMs, on a thread of its own.
class LaterStep
{
public:
    LaterStep(int delayMs, double seconds)
        : worker([=] {
              std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
              ClockStep::step(seconds);
          })
    {}
    ~LaterStep()
    {
        worker.join();
        ClockStep::step(-stepped);
    }
    void undoAfter(double seconds) { stepped = seconds; }

private:
    std::thread worker;
    double stepped = 0;
};

class ClockStepTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ClockStep::active()) << "the clockstep shim is not preloaded";
        VeltoSDK::createInstance();
        sdk = VeltoSDK::instance();
    }
    void TearDown() override { VeltoSDK::destroyInstance(); }

    // Seconds a 1-second reply wait takes while the clock is stepped by seconds at 200 ms.
    double replyWaitWithStep(double seconds)
    {
        LaterStep step(200, seconds);
        step.undoAfter(seconds);
        const double began = steadySeconds();
        std::unique_ptr<QJsonObject> reply(sdk->waitReply(12345, 1.0));
        EXPECT_EQ(reply, nullptr);
        return steadySeconds() - began;
    }

    VeltoSDK *sdk = nullptr;
};
} // namespace

TEST_F(ClockStepTest, NowFollowsTheTimeOfDayAndMonotonicDoesNot)
{
    const double wall = JXThread::now();
    const double mono = JXThread::monotonic();
    ClockStep::step(60);
    const double wallAfter = JXThread::now();
    const double monoAfter = JXThread::monotonic();
    ClockStep::step(-60);
    EXPECT_NEAR(wallAfter - wall, 60.0, 0.5);
    EXPECT_GT(monoAfter, 0.0);
    EXPECT_GE(monoAfter - mono, 0.0);
    EXPECT_LT(monoAfter - mono, 0.5);
}

TEST_F(ClockStepTest, ReplyWaitKeepsItsLengthWhenTheClockIsStepped)
{
    // Forward 60 s used to end the wait at once; back 5 s used to add 5 s to it.
    expectDurationKept([this](double seconds) { return replyWaitWithStep(seconds); }, {60, -5},
                       0.95, 2.0);
}

TEST_F(ClockStepTest, SearchKeepsItsLengthWhenTheClockIsStepped)
{
    const auto searchWithStep = [this](double seconds) {
        LaterStep step(200, seconds);
        step.undoAfter(seconds);
        QVector<VeltoDevice> found;
        const double began = steadySeconds();
        sdk->searchDevices(found, 1.0);
        return steadySeconds() - began;
    };
    expectDurationKept(searchWithStep, {60, -5}, 0.95, 2.0);
}
