// Render clock and player facade on real files: events, pacing, pause, seek and close.
#include "EventRecorder.h"
#include "SilentPort.h"
#include "TestMedia.h"
#include "TestPlayer.h"
#include "support/LogCapture.h"

#include "JXPlayer/JXPlayerDecoder.h"
#include "JXPlayer/JXPlayerFrame.h"
#include "JXPlayer/JXPlayerReader.h"
#include "JXPlayer/JXPlayerRender.h"

#include <QThread>
#include <gtest/gtest.h>

#include <atomic>

namespace {
using Ev = JXPlayerObserver;
const QString kRender = "JXPlayerRender.cpp";

class PlayerTest : public ::testing::Test
{
protected:
    void open(const QString &media)
    {
        player.setObserver(&events);
        ASSERT_EQ(player.open(TestMedia::path(media).toUtf8()), 0);
        ASSERT_TRUE(events.waitFor(Ev::kOpened, 1, 10));
    }

    LogCapture log;
    EventRecorder events;
    TestPlayer player;
};

// Wall-clock gap between handing over frames index - 1 and index. The render holds a frame
// until its due time after handing it over, so a frame's own wait shows before the next.
double gapBefore(const std::vector<RecordingView::Shown> &shown, size_t index)
{
    return shown.at(index).when - shown.at(index - 1).when;
}
} // namespace

TEST(RenderClock, AnchorRules)
{
    struct Case
    {
        const char *what;
        JXPlayerRender::Anchor anchor;
        double time, lastTime;
        int count;
        double now;
        double due;
        JXPlayerRender::Anchor after;
    } cases[] = {
        {"first frame anchors, shown at once", {-1, 0}, 5.0, -1, 0, 100, 0, {5.0, 100}},
        {"second frame after a zero time: at once", {0, 100}, 0.0625, 0, 1, 100, 0, {0, 100}},
        {"paced from the anchor", {5.0, 100}, 5.5, 5.4375, 9, 100.2, 100.5, {5.0, 100}},
        {"step of 1.5 s re-anchors", {5.0, 100}, 7.0, 5.5, 9, 101, 101, {7.0, 101}},
        {"step of exactly 1.0 s does not", {5.0, 100}, 6.5, 5.5, 9, 101, 101.5, {5.0, 100}},
        {"a step back keeps the anchor", {5.0, 100}, 2.0, 5.5, 9, 101, 97, {5.0, 100}},
        {"an anchor older than 3600 s is renewed",
         {5.0, 100},
         5.5,
         5.4375,
         9,
         3701,
         3701,
         {5.5, 3701}},
        {"3600 s exactly is not", {5.0, 100}, 5.5, 5.4375, 9, 3700, 100.5, {5.0, 100}},
        {"no usable time: at once", {5.0, 100}, -1.0, 5.5, 9, 101, 0, {5.0, 100}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        JXPlayerRender::Anchor anchor = c.anchor;
        EXPECT_DOUBLE_EQ(
            JXPlayerRender::dueTime(anchor, c.time, c.lastTime, c.count, c.now, "video"), c.due);
        EXPECT_DOUBLE_EQ(anchor.baseTime, c.after.baseTime);
        EXPECT_DOUBLE_EQ(anchor.wallAnchor, c.after.wallAnchor);
    }
}

TEST_F(PlayerTest, TheFirstPictureDoesNotWaitForTheSoundOutputToOpen)
{
    // A sound server slow to answer: the picture is shown while the output still opens.
    player.pcmOpenDelayMs = 1500;
    open("av.mp4");
    ASSERT_TRUE(events.waitFor(Ev::kFirstFrame, 1, 10));
    ASSERT_TRUE(player.view.waitForFrames(1, 5));
    const double firstPicture = player.view.shown().front().when;
    ASSERT_TRUE(events.waitFor(Ev::kEnded, 1, 15));
    ASSERT_GT(player.pcm->openedAt(), 0.0) << "the sound output never opened";
    EXPECT_LT(firstPicture, player.pcm->openedAt());
    EXPECT_GT(player.pcm->sink().bytes().size(), 0) << "the sound was not played";
}

TEST_F(PlayerTest, PlaysAFileWithFirstFrameFurtherFramesAndOneEnd)
{
    open("av.mp4");
    ASSERT_TRUE(events.waitFor(Ev::kEnded, 1, 15));
    QThread::msleep(400);
    const auto seen = events.events();
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0].event, Ev::kOpened);
    EXPECT_EQ(seen[1].event, Ev::kFirstFrame);
    EXPECT_EQ(events.count(Ev::kFirstFrame), 1);
    EXPECT_EQ(events.count(Ev::kFrame), 31);
    EXPECT_EQ(events.count(Ev::kEnded), 1);
    EXPECT_EQ(seen.back().event, Ev::kEnded);

    // The first frame is not held back; the rest are paced by their times.
    EXPECT_LT(seen[1].when - seen[0].when, 1.0);
    const auto shown = player.view.shown();
    ASSERT_EQ(shown.size(), 32u);
    EXPECT_EQ(shown[0].width, 160);
    const double span = shown.back().when - shown.front().when;
    EXPECT_GT(span, 31 / 16.0 - 0.1);
    EXPECT_LT(span, 31 / 16.0 + 1.5);

    double last = 0;
    for (const auto &e : seen) {
        if (e.event != Ev::kFrame)
            continue;
        EXPECT_GT(e.value1, last);
        EXPECT_NEAR(e.value2, player.duration(), 1e-9);
        last = e.value1;
    }
    EXPECT_DOUBLE_EQ(last, 31 / 16.0);

    // All the sound reached the PCM output, converted to 16-bit stereo in whole chunks.
    const int audioFrames = TestMedia::countOf(TestMedia::path("av.mp4"), "a", true);
    const int converted = audioFrames * 1024 * 2 * 2;
    EXPECT_EQ(player.pcm->sink().bytes().size(),
              converted / JXPcmPlayer::kChunkBytes * JXPcmPlayer::kChunkBytes);
    player.close();
}

TEST_F(PlayerTest, TimeStepsOverOneSecondReanchorWithoutAStall)
{
    struct Case
    {
        const char *media;
        bool reanchored;
    } cases[] = {{"jump15.mp4", true}, {"jump10.mp4", false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.media);
        log.clear();
        EventRecorder seen;
        TestPlayer jumping;
        jumping.setObserver(&seen);
        ASSERT_EQ(jumping.open(TestMedia::path(c.media).toUtf8()), 0);
        ASSERT_TRUE(seen.waitFor(Ev::kEnded, 1, 15));
        const auto shown = jumping.view.shown();
        ASSERT_EQ(shown.size(), 48u);
        const QStringList lines = log.startingWith(kRender, "interval = ");
        if (c.reanchored) {
            EXPECT_LT(gapBefore(shown, 17), 0.5);
            ASSERT_EQ(lines.size(), 1);
            EXPECT_EQ(lines[0], "interval = 1.500000, frame->time = 2.437500, "
                                "videoTime = 0.937500");
        } else {
            EXPECT_GT(gapBefore(shown, 17), 0.8);
            EXPECT_TRUE(lines.isEmpty());
        }
        // Outside the step the frames keep their 1/16 s rhythm.
        EXPECT_LT(gapBefore(shown, 30), 0.5);
        jumping.close();
    }
}

TEST_F(PlayerTest, PauseStopsRenderingAndPlayStartsAFreshRun)
{
    open("long.mp4");
    ASSERT_TRUE(events.waitFor(Ev::kFrame, 5, 10));
    player.pause();
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.position(), 0.0);
    const int shownWhenPaused = player.view.count();
    QThread::msleep(400);
    EXPECT_EQ(player.view.count(), shownWhenPaused);
    EXPECT_EQ(player.position(), 0.0);

    player.play();
    EXPECT_TRUE(player.isPlaying());
    ASSERT_TRUE(events.waitFor(Ev::kFirstFrame, 2, 5));
    ASSERT_TRUE(events.waitFor(Ev::kFrame, 7, 5));
    EXPECT_GT(player.position(), 5 / 16.0);
    player.close();
}

TEST_F(PlayerTest, SeekRaisesNoEventAndTheNextFrameShowsTheNewPosition)
{
    open("long.mp4");
    ASSERT_TRUE(events.waitFor(Ev::kFrame, 3, 10));
    const size_t before = events.events().size();
    player.seek(10.0);
    const double end = steadyNow() + 5;
    while (player.position() < 10.0 && steadyNow() < end)
        QThread::msleep(5);
    EXPECT_GE(player.position(), 10.0);
    EXPECT_LT(player.position(), 11.5);
    const auto seen = events.events();
    for (size_t i = before; i < seen.size(); ++i)
        EXPECT_EQ(seen[i].event, Ev::kFrame);
    player.close();
}

TEST_F(PlayerTest, CloseOnAClosedPlayerDoesNothing)
{
    JXPlayer idle;
    idle.close();
    idle.close();
    EXPECT_FALSE(idle.isOpened());
    EXPECT_EQ(idle.position(), 0.0);
    EXPECT_EQ(idle.duration(), 0.0);
    EXPECT_EQ(idle.bitrate(), 0.0);
    EXPECT_FALSE(idle.isPlaying());
    idle.play();
    idle.pause();
    idle.seek(1.0);
    idle.flush();

    open("av.mp4");
    EXPECT_TRUE(player.isOpened());
    player.close();
    player.close();
    EXPECT_FALSE(player.isOpened());
}

TEST_F(PlayerTest, UnreachableUrlOpensAndLaterReportsFailure)
{
    SilentPort port;
    player.setObserver(&events);
    player.setTimeout(1.5);
    const double began = steadyNow();
    EXPECT_EQ(
        player.open(QByteArray("rtsp://127.0.0.1:") + QByteArray::number(port.port()) + "/stream"),
        0);
    EXPECT_TRUE(player.isOpened());
    ASSERT_TRUE(events.waitFor(Ev::kOpenFailed, 1, 10));
    EXPECT_GE(events.timeOf(Ev::kOpenFailed) - began, 1.4);
    EXPECT_EQ(events.events().size(), 1u);
    player.close();
}

TEST_F(PlayerTest, TheHigherIndexVideoStreamIsShown)
{
    open("two_video.mp4");
    ASSERT_TRUE(events.waitFor(Ev::kEnded, 1, 10));
    const auto shown = player.view.shown();
    ASSERT_EQ(shown.size(), 16u);
    for (const auto &frame : shown)
        EXPECT_EQ(frame.width, 320);
}

TEST_F(PlayerTest, WithoutVideoThePositionFollowsTheAudio)
{
    open("audio.m4a");
    const double end = steadyNow() + 5;
    while (player.position() <= 0.5 && steadyNow() < end)
        QThread::msleep(5);
    EXPECT_GT(player.position(), 0.5);
    EXPECT_EQ(events.count(Ev::kFirstFrame), 0);
}

TEST_F(PlayerTest, VolumeZeroOnTheDefaultRenderOnlySilencesThePcmOutput)
{
    player.setVolume(0.0);
    open("av.mp4");
    ASSERT_TRUE(events.waitFor(Ev::kEnded, 1, 15));
    EXPECT_EQ(player.pcm->sink().attempts(), 0);
    EXPECT_EQ(player.view.count(), 32);
    // Audio was still decoded: the converter saw it.
    EXPECT_NE(player.pcm->audioConverter(), nullptr);
}

TEST_F(PlayerTest, CloseEndsAnAudioWriteThatTheOutputNeverTakes)
{
    player.sinkMode = SinkDevice::TakesNothing;
    open("av.mp4");
    ASSERT_TRUE(events.waitFor(Ev::kFirstFrame, 1, 10));
    const double end = steadyNow() + 5;
    while (player.pcm->sink().attempts() < 5 && steadyNow() < end)
        QThread::msleep(5);
    ASSERT_GE(player.pcm->sink().attempts(), 5);
    const double began = steadyNow();
    player.close();
    EXPECT_LT(steadyNow() - began, 2.0);
}

namespace {
// A render of its own that counts audio frames, to see the base render's volume rule.
class CountingRender : public JXPlayerRender
{
public:
    ~CountingRender() override { stop(); }
    int renderVideoFrame(JXPlayerFrame *) override { return 0; }
    int renderAudioFrame(JXPlayerFrame *) override
    {
        ++audio;
        return 0;
    }
    std::atomic<int> audio{0};
};

} // namespace

TEST(RenderVolume, BelowOneHundredthTheBaseRenderTurnsAudioDecodingOff)
{
    for (double volume : {1.0, 0.005}) {
        SCOPED_TRACE(volume);
        LogCapture log;
        JXPlayerReader reader;
        JXPlayerDecoder decoder;
        CountingRender render;
        decoder.setReader(&reader);
        render.setDecoder(&decoder);
        render.setVolume(volume);
        EXPECT_EQ(render.volume(), volume);
        reader.setUrl(TestMedia::path("av.mp4").toUtf8());
        reader.start();
        while (!reader.hasVideo())
            QThread::msleep(1);
        decoder.start();
        render.start();
        ASSERT_TRUE(log.waitFor(kRender, "call play ended", 1, 15));
        if (volume > 0.01)
            EXPECT_GT(render.audio.load(), 40);
        else
            EXPECT_EQ(render.audio.load(), 0);
        render.stop();
        decoder.stop();
        reader.stop();
    }
}
