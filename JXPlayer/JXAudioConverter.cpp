#include "JXPlayer/JXAudioConverter.h"

#include <QDebug>

#include <algorithm>
#include <cstdlib>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/fifo.h>
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace {
// The FIFO holds this many output buffers.
constexpr int kFifoBuffers = 4;

AVChannelLayout maskLayout(int64_t mask)
{
    AVChannelLayout layout;
    av_channel_layout_from_mask(&layout, static_cast<uint64_t>(mask));
    return layout;
}
} // namespace

JXAudioConverter::JXAudioConverter(int sampleRate, int64_t channelLayout, int channels,
                                   int sampleFormat)
    : dstRate(sampleRate), dstLayout(channelLayout), dstChannels(channels), dstFormat(sampleFormat)
{
    qDebug("rate = %d, layout = %lld, channels = %d, format = %d", sampleRate,
           static_cast<long long>(channelLayout), channels, sampleFormat);
    allocate(kDefaultOutSamples);
}

JXAudioConverter::~JXAudioConverter()
{
    allocate(0);
    swr_free(&swr);
}

void JXAudioConverter::allocate(int samples)
{
    free(outBuffer);
    outBuffer = nullptr;
    av_fifo_freep2(&fifo);
    maxOutSamples = samples;
    bytesPerSample = av_get_bytes_per_sample(static_cast<AVSampleFormat>(dstFormat));
    if (samples <= 0)
        return;
    const size_t size = static_cast<size_t>(samples) * dstChannels * bytesPerSample;
    outBuffer = static_cast<uint8_t *>(malloc(size));
    fifo = av_fifo_alloc2(size * kFifoBuffers, 1, 0);
}

void JXAudioConverter::convert(const AVFrame *frame)
{
    if (_sourceChanged(frame)) {
        srcRate = frame->sample_rate;
        srcChannels = frame->ch_layout.nb_channels;
        srcLayout = layoutFor(srcChannels);
        srcFormat = frame->format;
        swr_free(&swr);
        _createSwrContext();
    }
    if (!swr || !outBuffer || !fifo)
        return;
    int out = swr_convert(swr, &outBuffer, maxOutSamples,
                          const_cast<const uint8_t **>(frame->extended_data), frame->nb_samples);
    while (out > 0) {
        _pushToFifo(out);
        out = swr_convert(swr, &outBuffer, maxOutSamples, nullptr, 0);
    }
}

int JXAudioConverter::queuedBytes() const
{
    return fifo ? static_cast<int>(av_fifo_can_read(fifo)) : 0;
}

bool JXAudioConverter::take(char *data, int length)
{
    if (length < 0 || queuedBytes() < length)
        return false;
    return av_fifo_read(fifo, data, static_cast<size_t>(length)) >= 0;
}

int64_t JXAudioConverter::layoutFor(int channels)
{
    return channels == 1 ? AV_CH_LAYOUT_MONO : AV_CH_LAYOUT_STEREO;
}

int JXAudioConverter::_createSwrContext()
{
    AVChannelLayout out = maskLayout(dstLayout);
    AVChannelLayout in = maskLayout(srcLayout);
    int result =
        swr_alloc_set_opts2(&swr, &out, static_cast<AVSampleFormat>(dstFormat), dstRate, &in,
                            static_cast<AVSampleFormat>(srcFormat), srcRate, 0, nullptr);
    qDebug("src format = %d, dst format = %d", srcFormat, dstFormat);
    if (result >= 0)
        result = swr_init(swr);
    if (result < 0)
        swr_free(&swr);
    return result;
}

bool JXAudioConverter::_sourceChanged(const AVFrame *frame) const
{
    const int channels = frame->ch_layout.nb_channels;
    return frame->sample_rate != srcRate || channels != srcChannels ||
           layoutFor(channels) != srcLayout || frame->format != srcFormat;
}

void JXAudioConverter::_pushToFifo(int samples)
{
    const size_t bytes = static_cast<size_t>(samples) * dstChannels * bytesPerSample;
    const size_t room = std::min(bytes, av_fifo_can_write(fifo));
    if (room > 0)
        av_fifo_write(fifo, outBuffer, room);
}
