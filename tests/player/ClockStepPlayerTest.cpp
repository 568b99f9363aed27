// The reader's open time-out and the render's pacing while the time of day is set: the
// clockstep shim (preloaded) moves CLOCK_REALTIME and gettimeofday, the stream must not
// notice.
#include "EventRecorder.h"
#include "SilentPort.h"
#include "TestMedia.h"
#include "TestPlayer.h"
#include "support/ClockStep.h"
#include "support/ClockStepExpect.h"

#include "JXPlayer/JXPlayerReader.h"

#include <QThread>
#include <gtest/gtest.h>

namespace {
using Obs = JXPlayerReaderObserver;
using Ev = JXPlayerObserver;

// Seconds from the open's start to its failure, the clock stepped by seconds at 300 ms.
double openFailureWithStep(double seconds)
{
    SilentPort port;
    EventRecorder events;
    JXPlayerReader reader;
    reader.setUrl(QByteArray("rtsp://127.0.0.1:") + QByteArray::number(port.port()) + "/x");
    reader.setTimeout(1.5);
    reader.setObserver(&events);
    const double began = steadyNow();
    reader.start();
    QThread::msleep(300);
    ClockStep::step(seconds);
    const bool failed = events.waitFor(Obs::kOpenFailed, 1, 15);
    ClockStep::step(-seconds);
    reader.setObserver(nullptr);
    reader.stop();
    EXPECT_TRUE(failed);
    return failed ? events.timeOf(Obs::kOpenFailed) - began : 99.0;
}

// Longest gap between frames handed over from index from on.
double longestGapFrom(const std::vector<RecordingView::Shown> &shown, size_t from)
{
    double longest = 0;
    for (size_t i = from + 1; i < shown.size(); ++i)
        longest = std::max(longest, shown[i].when - shown[i - 1].when);
    return longest;
}
} // namespace

TEST(ClockStepPlayer, OpenTimeOutKeepsItsLengthWhenTheClockIsStepped)
{
    ASSERT_TRUE(ClockStep::active()) << "the clockstep shim is not preloaded";
    // Forward 60 s used to fail the open at once; back 30 s used to hold it 30 s longer.
    expectDurationKept(openFailureWithStep, {60, -30}, 1.4, 5.0);
}

TEST(ClockStepPlayer, VideoKeepsItsPaceWhenTheClockIsStepped)
{
    ASSERT_TRUE(ClockStep::active()) << "the clockstep shim is not preloaded";
    struct Case
    {
        const char *what;
        double seconds;
    } cases[] = {{"back 5 s used to freeze the picture for 5 s", -5},
                 {"forward 60 s used to rush every frame out at once", 60}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EventRecorder events;
        TestPlayer player;
        player.setObserver(&events);
        ASSERT_EQ(player.open(TestMedia::path("long.mp4").toUtf8()), 0);
        ASSERT_TRUE(player.view.waitForFrames(16, 10));
        const size_t before = player.view.shown().size();
        ClockStep::step(c.seconds);
        const bool more = player.view.waitForFrames(static_cast<int>(before) + 32, 10);
        ClockStep::step(-c.seconds);
        const auto shown = player.view.shown();
        player.close();
        ASSERT_TRUE(more);
        // 32 frames at 16 per second: about 2 s, never one gap of seconds.
        EXPECT_LT(longestGapFrom(shown, before - 1), 0.5);
        const double span = shown.at(before + 31).when - shown.at(before - 1).when;
        EXPECT_GT(span, 32 / 16.0 - 0.3);
        EXPECT_LT(span, 32 / 16.0 + 1.0);
    }
}
