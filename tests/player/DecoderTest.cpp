// The decoder fed by real readers on files made with ffmpeg. Two readers stand between
// the reader and the decoder where a test needs to decide which packets the decoder sees:
// one holds packets back (and can strip their flags, as when a stream is joined between
// key frames), one switches between two files (a source that changes its codec).
#include "RecordingView.h"
#include "TestMedia.h"
#include "support/LogCapture.h"

#include "JXPlayer/JXPlayerDecoder.h"
#include "JXPlayer/JXPlayerReader.h"
#include "JXPlayer/JXPlayerReaderObserver.h"

#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <thread>

extern "C" {
#include <libavutil/hwcontext.h>
}

namespace {
const QString kDecoder = "JXPlayerDecoder.cpp";

void startReader(JXPlayerReader &reader, const QString &media)
{
    reader.setUrl(TestMedia::path(media).toUtf8());
    reader.start();
    const double end = steadyNow() + 10;
    while (!reader.hasVideo() && !reader.hasAudio() && steadyNow() < end)
        QThread::msleep(1);
}

// Lets the decoder take only the first `released` video packets; the first `stripped` of
// them lose their flags.
class GatedReader : public JXPlayerReader
{
public:
    std::atomic<int> released{INT_MAX};
    std::atomic<int> served{0};
    int stripped = 0;

    JXPlayerPacket *popVideoPacket() override
    {
        if (served >= released)
            return nullptr;
        JXPlayerPacket *packet = JXPlayerReader::popVideoPacket();
        if (packet && served++ < stripped)
            packet->packet->flags = 0;
        return packet;
    }
    bool isEOF() override { return released == INT_MAX && JXPlayerReader::isEOF(); }
};

// Serves video packets from two running readers: from a before switchAt and from b after,
// or, with alternateEvery > 0, `alternateEvery` from each in turn.
class SwitchingReader : public JXPlayerReader
{
public:
    SwitchingReader(JXPlayerReader &a, JXPlayerReader &b) : sources{&a, &b} {}

    std::atomic<int> released{INT_MAX};
    std::atomic<int> switchAt{INT_MAX};
    int alternateEvery = 0;
    std::atomic<int> opensOfB{0};

    bool hasVideo() override { return true; }
    bool hasAudio() override { return false; }
    bool isEOF() override { return false; }
    JXPlayerPacket *popVideoPacket() override
    {
        if (served >= released)
            return nullptr;
        const int source = sourceFor(served);
        JXPlayerPacket *packet = sources[source]->popVideoPacket();
        if (packet) {
            current = source;
            ++served;
        }
        return packet;
    }
    void copyCodecParameters(int kind, AVCodecContext *context) override
    {
        opensOfB += current == 1;
        sources[current]->copyCodecParameters(kind, context);
    }

private:
    int sourceFor(int index) const
    {
        if (alternateEvery > 0)
            return (index / alternateEvery) % 2;
        return index < switchAt ? 0 : 1;
    }

    JXPlayerReader *sources[2];
    std::atomic<int> served{0};
    std::atomic<int> current{0};
};

// Pops frames of one kind until n have come or seconds pass.
std::vector<double> popFrames(JXPlayerDecoder &decoder, bool video, int n, double seconds,
                              std::vector<int> *widths = nullptr)
{
    std::vector<double> times;
    const double end = steadyNow() + seconds;
    while (static_cast<int>(times.size()) < n && steadyNow() < end) {
        JXPlayerFrame *frame = video ? decoder.popVideoFrame() : decoder.popAudioFrame();
        if (!frame) {
            QThread::msleep(1);
            continue;
        }
        times.push_back(frame->time());
        if (widths)
            widths->push_back(frame->frame->width);
        delete frame;
    }
    return times;
}

// The readers are declared before the decoder, so the decoder's threads are gone before
// any reader they use.
class DecoderTest : public ::testing::Test
{
protected:
    void TearDown() override { decoder.stop(); }

    // Decodes from the switching reader over the all-key-frame H.264 and MPEG-4 files.
    void startSwitching(int released)
    {
        startReader(h264, "intra_h264.mp4");
        startReader(mpeg4, "intra_mpeg4.mp4");
        switching.released = released;
        decoder.setReader(&switching);
        decoder.start();
    }

    LogCapture log;
    JXPlayerReader plain;
    GatedReader gated;
    JXPlayerReader h264, mpeg4;
    SwitchingReader switching{h264, mpeg4};
    JXPlayerDecoder decoder;
};
} // namespace

TEST_F(DecoderTest, NoVideoFrameBeforeTheFirstFlaggedPacket)
{
    // Joined between key frames: packets 0-2 (the key frame 0 among them) carry no flags,
    // so nothing is decoded before key frame 8.
    gated.stripped = 3;
    startReader(gated, "gop.mp4");
    decoder.setReader(&gated);
    decoder.start();
    const auto times = popFrames(decoder, true, 56, 10);
    ASSERT_EQ(times.size(), 56u);
    EXPECT_EQ(times.front(), 8 / 16.0);
    EXPECT_EQ(times.back(), 63 / 16.0);
    ASSERT_TRUE(log.waitFor(kDecoder, "eof send NULL video packet", 1, 5));
    EXPECT_TRUE(popFrames(decoder, true, 1, 0.3).empty());
}

TEST_F(DecoderTest, AfterAFlushVideoWaitsForTheNextFlaggedPacketAgain)
{
    gated.released = 12;
    startReader(gated, "gop.mp4");
    decoder.setReader(&gated);
    decoder.start();
    EXPECT_EQ(popFrames(decoder, true, 12, 10).size(), 12u);

    decoder.flush();
    ASSERT_TRUE(log.waitFor(kDecoder, "flush video", 1, 5));
    gated.released = INT_MAX;
    // Packets 12-15 follow key frame 8 and are dropped; decoding resumes at key frame 16.
    const auto times = popFrames(decoder, true, 48, 10);
    ASSERT_EQ(times.size(), 48u);
    EXPECT_EQ(times.front(), 16 / 16.0);
}

TEST_F(DecoderTest, AudioDisabledConsumesPacketsWithoutFrames)
{
    const QString file = TestMedia::path("av.mp4");
    const int audioFrames = TestMedia::countOf(file, "a", true);
    for (bool enabled : {true, false}) {
        SCOPED_TRACE(enabled);
        log.clear();
        JXPlayerReader reader;
        startReader(reader, "av.mp4");
        JXPlayerDecoder decoding;
        decoding.setReader(&reader);
        decoding.setAudioEnabled(enabled);
        decoding.start();
        int frames = 0;
        const double end = steadyNow() + 10;
        while (log.count(kDecoder, "eof send NULL audio packet") == 0 && steadyNow() < end) {
            delete decoding.popVideoFrame();
            if (JXPlayerFrame *frame = decoding.popAudioFrame()) {
                ++frames;
                delete frame;
            }
            QThread::msleep(1);
        }
        QThread::msleep(100);
        while (JXPlayerFrame *frame = decoding.popAudioFrame()) {
            ++frames;
            delete frame;
        }
        EXPECT_EQ(log.count(kDecoder, "eof send NULL audio packet"), 1);
        EXPECT_EQ(frames, enabled ? audioFrames : 0);
        EXPECT_EQ(reader.popAudioPacket(), nullptr);
        decoding.stop();
    }
}

TEST_F(DecoderTest, CodecChangeReopensTheDecoderAndDropsFramesOfTheOldOne)
{
    SwitchingReader &reader = switching;
    reader.switchAt = 6;
    startSwitching(5);
    std::vector<int> widths;
    EXPECT_EQ(popFrames(decoder, true, 5, 10, &widths).size(), 5u);

    // The sixth H.264 frame is decoded and queued, then the first MPEG-4 packet arrives.
    reader.released = INT_MAX;
    const double end = steadyNow() + 10;
    while (reader.opensOfB == 0 && steadyNow() < end)
        QThread::msleep(1);
    ASSERT_EQ(reader.opensOfB.load(), 1);
    popFrames(decoder, true, 10, 10, &widths);
    ASSERT_EQ(widths.size(), 15u);
    EXPECT_EQ(std::count(widths.begin(), widths.end(), 160), 5);
    EXPECT_EQ(std::count(widths.begin(), widths.end(), 320), 10);
}

TEST_F(DecoderTest, FrameQueuesSurviveCodecChurnUnderConcurrentPops)
{
    // Every second packet changes the codec, so the frame queue is destroyed and made again
    // all the time while another thread keeps popping from it.
    SwitchingReader &reader = switching;
    reader.alternateEvery = 2;
    startSwitching(60);
    std::atomic<int> small{0}, large{0};
    std::atomic<bool> done{false};
    std::thread popper([&] {
        while (!done) {
            if (JXPlayerFrame *frame = decoder.popVideoFrame()) {
                (frame->frame->width == 160 ? small : large)++;
                delete frame;
            }
            std::this_thread::yield();
        }
    });
    const double end = steadyNow() + 15;
    while (reader.opensOfB < 15 && steadyNow() < end)
        QThread::msleep(5);
    QThread::msleep(100);
    done = true;
    popper.join();
    EXPECT_EQ(reader.opensOfB.load(), 15);
    EXPECT_GT(small.load(), 0);
    EXPECT_GT(large.load(), 0);
    EXPECT_LE(small + large, 60);
}

TEST_F(DecoderTest, OneDrainPerRunOfPacketsAtEndOfInput)
{
    // av.mp4 has B-frames: its last pictures leave the decoder only with the drain.
    const QString file = TestMedia::path("av.mp4");
    const int expected = TestMedia::countOf(file, "v", true);
    startReader(plain, "av.mp4");
    decoder.setReader(&plain);
    decoder.start();
    // Takes frames of both kinds until both drains of run `run` have been logged.
    auto consumeRun = [&](int run) {
        int video = 0;
        const double end = steadyNow() + 10;
        while (steadyNow() < end && (log.count(kDecoder, "eof send NULL video packet") < run ||
                                     log.count(kDecoder, "eof send NULL audio packet") < run)) {
            if (JXPlayerFrame *frame = decoder.popVideoFrame()) {
                ++video;
                delete frame;
            }
            delete decoder.popAudioFrame();
            QThread::msleep(1);
        }
        QThread::msleep(300);
        while (JXPlayerFrame *frame = decoder.popVideoFrame()) {
            ++video;
            delete frame;
        }
        return video;
    };
    EXPECT_EQ(consumeRun(1), expected);
    EXPECT_EQ(log.count(kDecoder, "eof send NULL video packet"), 1);
    EXPECT_EQ(log.count(kDecoder, "eof send NULL audio packet"), 1);
    EXPECT_TRUE(decoder.isVideoEOF());

    // A seek starts a new run of packets, which ends in one more drain of each kind.
    plain.seek(1.0);
    EXPECT_GT(consumeRun(2), 0);
    EXPECT_EQ(log.count(kDecoder, "eof send NULL video packet"), 2);
    EXPECT_EQ(log.count(kDecoder, "eof send NULL audio packet"), 2);
}

TEST_F(DecoderTest, HardwareWithoutAVaapiDeviceIsLoggedAndDecodesInSoftware)
{
    // No driver of this name exists, so the device cannot be made even where a GPU is.
    qputenv("LIBVA_DRIVER_NAME", "lankit-none");
    const int vaapi = av_hwdevice_find_type_by_name("vaapi");
    ASSERT_EQ(vaapi, AV_HWDEVICE_TYPE_VAAPI);
    startReader(plain, "gop.mp4");
    decoder.setReader(&plain);
    decoder.setHwDeviceType(vaapi);
    decoder.start();
    const auto times = popFrames(decoder, true, 64, 10);
    EXPECT_EQ(times.size(), 64u);
    EXPECT_EQ(log.count(kDecoder, "Failed to create specified HW device"), 1);
    EXPECT_EQ(log.count(kDecoder, QString("hw decoder init failure, deviceType = %1, format = %2")
                                      .arg(vaapi)
                                      .arg(AV_PIX_FMT_VAAPI)),
              1);
    qunsetenv("LIBVA_DRIVER_NAME");
}

TEST_F(DecoderTest, SoftwareDecodingCallsNoHardwareFunction)
{
    startReader(plain, "gop.mp4");
    decoder.setReader(&plain);
    decoder.start();
    EXPECT_EQ(popFrames(decoder, true, 64, 10).size(), 64u);
    EXPECT_TRUE(log.startingWith(kDecoder, "Failed").isEmpty());
    EXPECT_TRUE(log.startingWith(kDecoder, "hw decoder").isEmpty());
}

// Frame threads hold back a frame each, so only a stream that one core cannot decode in
// time gets them; pieces of pictures (live H.264) never do, as frame threads need whole ones.
TEST(DecoderThreads, FrameThreadsOnlyWhereOneCoreFallsBehind)
{
    struct Case
    {
        AVCodecID codec;
        int width, height, cores;
        bool wholeFrames;
        int threadType;
    } cases[] = {
        {AV_CODEC_ID_H264, 1920, 1080, 2, true, FF_THREAD_SLICE},
        {AV_CODEC_ID_H264, 3840, 2160, 2, true, FF_THREAD_SLICE | FF_THREAD_FRAME},
        {AV_CODEC_ID_H264, 3840, 2160, 2, false, FF_THREAD_SLICE},
        {AV_CODEC_ID_HEVC, 1280, 720, 2, true, FF_THREAD_SLICE},
        {AV_CODEC_ID_HEVC, 1920, 1080, 2, true, FF_THREAD_SLICE | FF_THREAD_FRAME},
        {AV_CODEC_ID_HEVC, 3840, 2160, 1, true, FF_THREAD_SLICE},
        {AV_CODEC_ID_HEVC, 0, 0, 8, true, FF_THREAD_SLICE}, // size not known yet
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.codec << " " << c.width << "x" << c.height << " on "
                                          << c.cores << " cores");
        AVCodecContext *context = avcodec_alloc_context3(nullptr);
        JXPlayerDecoder::chooseThreads(context, c.codec, c.cores, c.width, c.height, c.wholeFrames);
        EXPECT_EQ(context->thread_type, c.threadType);
        EXPECT_EQ(context->thread_count, std::min(c.cores, 4));
        avcodec_free_context(&context);
    }
}
