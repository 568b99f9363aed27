// The player on a live RTSP stream from GStreamer's RTSP server on 127.0.0.1: a 640x360
// test pattern at 25 frames per second with a 1 kHz tone, read over TCP in realtime mode.
#include "EventRecorder.h"
#include "RtspServer.h"
#include "TestPlayer.h"
#include "support/LogCapture.h"
#include "support/TestPaths.h"

#include <QThread>
#include <gtest/gtest.h>

namespace {
using Ev = JXPlayerObserver;

class RtspTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        player.setObserver(&events);
        player.setRealtime(true);
    }

    // Starts the server, opens the stream and waits for its first picture.
    void openAndShow(const QStringList &serverArguments = {})
    {
        ASSERT_TRUE(server.start(serverArguments));
        ASSERT_EQ(player.open(server.url()), 0);
        ASSERT_TRUE(events.waitFor(Ev::kOpened, 1, 15));
        ASSERT_TRUE(events.waitFor(Ev::kFirstFrame, 1, 15));
    }

    LogCapture log;
    RtspServer server{testSourceDir()};
    EventRecorder events;
    TestPlayer player;
};
} // namespace

TEST_F(RtspTest, LiveStreamShowsFramesAtItsRateAndHandsSoundToThePcmOutput)
{
    openAndShow();
    EXPECT_EQ(player.duration(), -1.0);
    // Measure two seconds, once the start-up burst is over.
    QThread::msleep(1000);
    const int framesBefore = player.view.count();
    const int bytesBefore = player.pcm->sink().bytes().size();
    const double began = steadyNow();
    QThread::msleep(2000);
    const double seconds = steadyNow() - began;
    const double fps = (player.view.count() - framesBefore) / seconds;
    const double bytesPerSecond = (player.pcm->sink().bytes().size() - bytesBefore) / seconds;
    EXPECT_NEAR(fps, 25.0, 6.0);
    // 48 kHz, 16-bit stereo: 192000 bytes a second.
    EXPECT_NEAR(bytesPerSecond, 192000.0, 60000.0);
    EXPECT_GT(player.bitrate(), 0.0);

    const auto shown = player.view.shown();
    EXPECT_EQ(shown.back().width, 640);
    EXPECT_EQ(shown.back().height, 360);
    EXPECT_GT(player.position(), 0.0);
    EXPECT_EQ(events.count(Ev::kOpenFailed), 0);
    EXPECT_EQ(events.count(Ev::kEnded), 0);
    player.close();
}

TEST_F(RtspTest, AServerThatStopsMidStreamIsTheEndOfTheInput)
{
    // FFmpeg reads a dropped RTSP connection as end of file, not as an error: the pictures
    // run out, play ends once, and the reader waits for a seek or a close.
    openAndShow();
    server.kill();
    ASSERT_TRUE(events.waitFor(Ev::kEnded, 1, 15));
    QThread::msleep(300);
    EXPECT_EQ(events.count(Ev::kEnded), 1);
    EXPECT_TRUE(log.startingWith("JXPlayerReader.cpp", "av_read_frame error").isEmpty());

    const double began = steadyNow();
    player.close();
    EXPECT_LT(steadyNow() - began, 3.0);
    EXPECT_FALSE(player.isOpened());
}

TEST_F(RtspTest, OpenAndCloseCyclesLeaveNothingBehind)
{
    ASSERT_TRUE(server.start());
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const int firstFrames = events.count(Ev::kFirstFrame);
        ASSERT_EQ(player.open(server.url()), 0);
        if (i % 2 == 0) {
            ASSERT_TRUE(events.waitFor(Ev::kFirstFrame, firstFrames + 1, 15));
        }
        // Odd rounds close while the stream is still opening.
        player.close();
        EXPECT_FALSE(player.isOpened());
    }
}
