// PCM output and audio conversion, with an output device that records what reaches it.
#include "RecordingPcmPlayer.h"
#include "RecordingView.h"
#include "support/LogCapture.h"

#include "JXPlayer/JXAudioConverter.h"

#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

namespace {
// An audio frame of samples per channel in format, each channel a sine of hertz at rate.
AVFrame *sineFrame(AVSampleFormat format, int channels, int rate, int samples, double hertz)
{
    AVFrame *frame = av_frame_alloc();
    frame->format = format;
    frame->sample_rate = rate;
    frame->nb_samples = samples;
    av_channel_layout_default(&frame->ch_layout, channels);
    av_frame_get_buffer(frame, 0);
    const bool planar = av_sample_fmt_is_planar(format);
    for (int i = 0; i < samples; ++i) {
        const double value = 0.5 * std::sin(2 * M_PI * hertz * i / rate);
        for (int c = 0; c < channels; ++c) {
            const int plane = planar ? c : 0;
            const int index = planar ? i : i * channels + c;
            if (format == AV_SAMPLE_FMT_S16 || format == AV_SAMPLE_FMT_S16P)
                reinterpret_cast<int16_t *>(frame->data[plane])[index] =
                    static_cast<int16_t>(value * 32767);
            else
                reinterpret_cast<float *>(frame->data[plane])[index] = static_cast<float>(value);
        }
    }
    return frame;
}

std::vector<int16_t> samplesOf(const QByteArray &bytes)
{
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

class PcmTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(pcm.start(), 0); }

    LogCapture log;
    RecordingPcmPlayer pcm;
};
} // namespace

TEST_F(PcmTest, MonoEightKilohertzIsResampledThroughSwrFromMonoToStereoLayout)
{
    // Ten frames of 50 ms, a whole number of tone periods each so that they join up.
    for (int i = 0; i < 10; ++i) {
        AVFrame *frame = sineFrame(AV_SAMPLE_FMT_S16, 1, 8000, 400, 1000.0);
        EXPECT_EQ(pcm.play(frame), 0);
        av_frame_free(&frame);
    }

    const JXAudioConverter *converter = pcm.audioConverter();
    ASSERT_NE(converter, nullptr);
    EXPECT_TRUE(converter->hasSwr());
    EXPECT_EQ(converter->sourceLayout(), 0x4);
    EXPECT_EQ(converter->destinationLayout(), 0x3);
    EXPECT_EQ(log.count("JXAudioConverter.cpp", "src format = 1, dst format = 1"), 1);
    EXPECT_EQ(
        log.count("JXAudioConverter.cpp", "rate = 48000, layout = 3, channels = 2, format = 1"), 1);

    // Half a second at 48 kHz, four bytes a sample frame; only whole chunks were written.
    const QByteArray written = pcm.sink().bytes();
    for (qint64 size : pcm.sink().writeSizes())
        EXPECT_LE(size, 4096);
    EXPECT_EQ(written.size() % JXPcmPlayer::kChunkBytes, 0);
    const int total = written.size() + converter->queuedBytes();
    EXPECT_NEAR(total, 48000 / 2 * 4, 48000 / 2 * 4 / 50);

    // Both channels carry the same 1 kHz tone: two sign changes per millisecond.
    const std::vector<int16_t> samples = samplesOf(written);
    int crossings = 0;
    for (size_t i = 0; i + 2 < samples.size(); i += 2) {
        EXPECT_EQ(samples[i], samples[i + 1]);
        crossings += (samples[i] < 0) != (samples[i + 2] < 0);
    }
    const double seconds = samples.size() / 2 / 48000.0;
    EXPECT_NEAR(crossings / seconds / 2, 1000.0, 20.0);
}

TEST_F(PcmTest, StereoInTheOutputFormatTakesTheDirectPath)
{
    AVFrame *frame = sineFrame(AV_SAMPLE_FMT_S16, 2, 48000, 480, 440.0);
    EXPECT_EQ(pcm.play(frame), 0);
    EXPECT_EQ(pcm.audioConverter(), nullptr);
    const QByteArray written = pcm.sink().bytes();
    ASSERT_EQ(written.size(), 480 * 2 * 2);
    EXPECT_EQ(std::memcmp(written.constData(), frame->data[0], written.size()), 0);
    av_frame_free(&frame);
}

TEST_F(PcmTest, VolumeZeroWritesNothingAndReportsTheLength)
{
    pcm.setVolume(0.0f);
    const QByteArray data(1000, '\x11');
    EXPECT_EQ(pcm.write(data.constData(), data.size()), 1000);
    AVFrame *frame = sineFrame(AV_SAMPLE_FMT_S16, 2, 48000, 480, 440.0);
    EXPECT_EQ(pcm.play(frame), 0);
    av_frame_free(&frame);
    EXPECT_EQ(pcm.sink().attempts(), 0);
    pcm.setVolume(1.0f);
    EXPECT_EQ(pcm.write(data.constData(), data.size()), 0);
    EXPECT_EQ(pcm.sink().bytes(), data);
}

TEST_F(PcmTest, ConvertedBytesWaitInTheFifoUntilAChunkHasGathered)
{
    // 250 float stereo samples become 1000 bytes of 16-bit stereo (no resampling).
    for (int i = 1; i <= 9; ++i) {
        AVFrame *frame = sineFrame(AV_SAMPLE_FMT_FLTP, 2, 48000, 250, 440.0);
        pcm.play(frame);
        av_frame_free(&frame);
        if (i < 9) {
            EXPECT_EQ(pcm.sink().attempts(), 0) << i;
            EXPECT_EQ(pcm.audioConverter()->queuedBytes(), i * 1000);
        }
    }
    EXPECT_EQ(pcm.sink().bytes().size(), 8192);
    EXPECT_EQ(pcm.audioConverter()->queuedBytes(), 9000 - 8192);
}

TEST_F(PcmTest, StopEndsAWriteBlockedOnADeviceThatTakesNothing)
{
    pcm.sink().setMode(SinkDevice::TakesNothing);
    const QByteArray data(8192, '\x22');
    std::atomic<bool> returned{false};
    std::thread writer([&] {
        pcm.write(data.constData(), data.size());
        returned = true;
    });
    QThread::msleep(200);
    EXPECT_FALSE(returned);
    EXPECT_GT(pcm.sink().attempts(), 10);
    const double began = steadyNow();
    pcm.stop();
    writer.join();
    EXPECT_LT(steadyNow() - began, 1.0);
    EXPECT_TRUE(pcm.isStopped());
    EXPECT_EQ(pcm.write(data.constData(), data.size()), -1);
}

TEST_F(PcmTest, ANegativeCountFromTheDeviceEndsTheWrite)
{
    pcm.sink().setMode(SinkDevice::Fails);
    const QByteArray data(8192, '\x33');
    EXPECT_EQ(pcm.write(data.constData(), data.size()), -1);
    EXPECT_EQ(pcm.sink().attempts(), 1);
}

TEST(PcmFormat, OutputFormatPrefersSixteenBitSamples)
{
    struct Case
    {
        int size;
        QAudioFormat::SampleType type;
        int expectedSize;
        int sampleFormat; // of the expected format
    } cases[] = {
        {32, QAudioFormat::Float, 16, AV_SAMPLE_FMT_S16},
        {32, QAudioFormat::SignedInt, 16, AV_SAMPLE_FMT_S16},
        {24, QAudioFormat::SignedInt, 16, AV_SAMPLE_FMT_S16},
        {16, QAudioFormat::SignedInt, 16, AV_SAMPLE_FMT_S16},
        {8, QAudioFormat::UnSignedInt, 8, AV_SAMPLE_FMT_U8},
        {64, QAudioFormat::Float, 64, AV_SAMPLE_FMT_DBL},
        {0, QAudioFormat::Unknown, 0, AV_SAMPLE_FMT_NONE},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.size);
        const QAudioFormat preferred = RecordingPcmPlayer::format(44100, 2, c.size, c.type);
        const QAudioFormat chosen = JXPcmPlayer::preferredOutputFormat(preferred);
        EXPECT_EQ(chosen.sampleSize(), c.expectedSize);
        EXPECT_EQ(chosen.sampleType(), c.type);
        EXPECT_EQ(JXPcmPlayer::sampleFormatOf(chosen), c.sampleFormat);
    }
    EXPECT_EQ(
        JXPcmPlayer::sampleFormatOf(RecordingPcmPlayer::format(48000, 2, 32, QAudioFormat::Float)),
        AV_SAMPLE_FMT_FLT);
    EXPECT_EQ(JXPcmPlayer::sampleFormatOf(
                  RecordingPcmPlayer::format(48000, 2, 32, QAudioFormat::SignedInt)),
              AV_SAMPLE_FMT_S32);
}

TEST(PcmFormat, NothingIsWrittenBeforeStart)
{
    LogCapture log;
    RecordingPcmPlayer pcm;
    const char data[4] = {};
    EXPECT_EQ(pcm.write(data, 4), -1);
    AVFrame *frame = sineFrame(AV_SAMPLE_FMT_S16, 2, 48000, 1, 440.0);
    EXPECT_EQ(pcm.play(frame), -1);
    av_frame_free(&frame);
}
