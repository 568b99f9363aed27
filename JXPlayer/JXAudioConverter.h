#pragma once

#include <cstdint>

struct AVFifo;
struct AVFrame;
struct SwrContext;

// Resamples decoded audio to the output's format into a byte FIFO, from which the PCM
// player takes fixed-size chunks. swr is set up again only when the source changes.
class JXAudioConverter
{
public:
    // The destination: rate in Hz, channel layout mask, channel count, AVSampleFormat.
    JXAudioConverter(int sampleRate, int64_t channelLayout, int channels, int sampleFormat);
    ~JXAudioConverter();
    JXAudioConverter(const JXAudioConverter &) = delete;
    JXAudioConverter &operator=(const JXAudioConverter &) = delete;

    // Makes room for samples output samples per conversion (0 frees everything).
    void allocate(int samples);
    // Resamples frame into the FIFO; what does not fit into a full FIFO is lost.
    void convert(const AVFrame *frame);

    // Bytes waiting in the FIFO.
    int queuedBytes() const;
    // Moves length bytes from the FIFO to data; false when fewer are waiting.
    bool take(char *data, int length);

    // The channel layout the player uses for a channel count: mono for 1, else stereo.
    static int64_t layoutFor(int channels);

    // What swr was last set up with; for diagnostics and tests.
    bool hasSwr() const { return swr != nullptr; }
    int64_t sourceLayout() const { return srcLayout; }
    int64_t destinationLayout() const { return dstLayout; }
    int sourceRate() const { return srcRate; }

    // Output samples per conversion at construction.
    static constexpr int kDefaultOutSamples = 4096;

private:
    int _createSwrContext();
    bool _sourceChanged(const AVFrame *frame) const;
    void _pushToFifo(int samples);

    // Every field belongs to the one thread that converts (the audio render thread).
    SwrContext *swr = nullptr; // owned; null when none could be set up
    int srcRate = -1;
    int64_t srcLayout = -1;
    int srcChannels = -1;
    int srcFormat = -1;
    int dstRate;
    int64_t dstLayout;
    int dstChannels;
    int dstFormat;
    uint8_t *outBuffer = nullptr; // owned; maxOutSamples x dstChannels x bytesPerSample
    AVFifo *fifo = nullptr;       // owned; four outBuffers of bytes, never grows
    int maxOutSamples = 0;
    int bytesPerSample = 0;
};
