#include "JXPlayer/JXPcmPlayer.h"

#include "JXPlayer/JXAudioConverter.h"

#include <QAudioDeviceInfo>
#include <QAudioOutput>
#include <QDebug>
#include <QObject>
#include <QThread>

#include <algorithm>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

namespace {
// Sleep between attempts while the device takes nothing, in microseconds.
constexpr unsigned long kRetryMicroseconds = 1000;
} // namespace

JXPcmPlayer::JXPcmPlayer() : audioThread(new QThread), audioContext(new QObject)
{
    audioThread->setObjectName(QStringLiteral("JXPcmPlayerAudioThread"));
    audioContext->moveToThread(audioThread);
    audioThread->start();
}

JXPcmPlayer::~JXPcmPlayer()
{
    stop();
    audioThread->quit();
    audioThread->wait();
    delete audioContext;
    delete audioThread;
    delete converter;
}

void JXPcmPlayer::_onAudioThread(const std::function<void()> &work)
{
    if (QThread::currentThread() == audioThread) {
        work();
        return;
    }
    // The hand-over and the wait go through a lock of our own, not through the event queue's,
    // so that what the work reads and writes is ordered with this thread's before and after.
    std::unique_lock<std::mutex> waiting(handOverLock);
    const unsigned long long ticket = ++handOversPosted;
    QMetaObject::invokeMethod(
        audioContext,
        [this, &work] {
            std::lock_guard<std::mutex> guard(handOverLock);
            work();
            // Posted events run in order on the one audio thread: tickets end in order.
            ++handOversDone;
            handOverDone.notify_all();
        },
        Qt::QueuedConnection);
    handOverDone.wait(waiting, [&] { return handOversDone >= ticket; });
}

int JXPcmPlayer::start()
{
    QAudioFormat preferred;
    if (!defaultDeviceFormat(preferred)) {
        stopped = true;
        writeAborted = false;
        qDebug("JXPcmPlayer start 1");
        return -1;
    }
    return start(preferredOutputFormat(preferred));
}

int JXPcmPlayer::start(const QAudioFormat &format)
{
    if (_isOpen())
        stop();
    QAudioFormat chosen = format;
    QIODevice *opened = openOutput(chosen);
    {
        std::lock_guard<std::mutex> guard(deviceLock);
        device = opened;
        this->format = chosen;
    }
    stopped = opened == nullptr;
    writeAborted = false;
    if (!opened) {
        qDebug("JXPcmPlayer start 1");
        return -1;
    }
    return 0;
}

void JXPcmPlayer::stop()
{
    writeAborted = true;
    stopped = true;
    std::lock_guard<std::mutex> guard(deviceLock);
    closeOutput();
    device = nullptr;
}

void JXPcmPlayer::abortWrite()
{
    writeAborted = true;
}

void JXPcmPlayer::setVolume(float volume)
{
    this->volume = volume;
}

int JXPcmPlayer::play(const AVFrame *frame)
{
    if (!format.isValid())
        return -1;
    const int sampleFormat = sampleFormatOf(format);
    const int channels = frame->ch_layout.nb_channels;
    if (frame->format == sampleFormat && channels == format.channelCount() &&
        frame->sample_rate == format.sampleRate()) {
        const int bytes = frame->nb_samples * channels *
                          av_get_bytes_per_sample(static_cast<AVSampleFormat>(sampleFormat));
        write(reinterpret_cast<const char *>(frame->data[0]), bytes);
        return 0;
    }
    if (!converter) {
        const int outChannels = format.channelCount();
        converter =
            new JXAudioConverter(format.sampleRate(), JXAudioConverter::layoutFor(outChannels),
                                 outChannels, sampleFormat);
    }
    converter->convert(frame);
    _writeChunks();
    return 0;
}

int JXPcmPlayer::write(const char *data, int length)
{
    if (!_isOpen())
        return -1;
    if (volume == 0.0f)
        return length;
    int offset = 0;
    qint64 last = -1;
    while (length > 0 && !writeAborted) {
        const int written = _writeOnce(data + offset, length, last);
        if (written < 0)
            return -1;
        offset += written;
        length -= written;
    }
    return 0;
}

QAudioFormat JXPcmPlayer::preferredOutputFormat(const QAudioFormat &preferred)
{
    QAudioFormat format = preferred;
    const int size = format.sampleSize();
    if (size != 0 && size != 8 && size != 64)
        format.setSampleSize(16);
    return format;
}

int JXPcmPlayer::sampleFormatOf(const QAudioFormat &format)
{
    switch (format.sampleSize()) {
    case 8:
        return AV_SAMPLE_FMT_U8;
    case 16:
        return AV_SAMPLE_FMT_S16;
    case 32:
        return format.sampleType() == QAudioFormat::Float ? AV_SAMPLE_FMT_FLT : AV_SAMPLE_FMT_S32;
    case 64:
        return AV_SAMPLE_FMT_DBL;
    default:
        return AV_SAMPLE_FMT_NONE;
    }
}

QAudioFormat JXPcmPlayer::outputFormat() const
{
    return format;
}

bool JXPcmPlayer::defaultDeviceFormat(QAudioFormat &preferred)
{
    const QAudioDeviceInfo info = QAudioDeviceInfo::defaultOutputDevice();
    if (info.isNull())
        return false;
    preferred = info.preferredFormat();
    return true;
}

QIODevice *JXPcmPlayer::openOutput(QAudioFormat &format)
{
    const QAudioDeviceInfo info = QAudioDeviceInfo::defaultOutputDevice();
    if (!info.isFormatSupported(format)) {
        qDebug("format not support, reformat");
        format = info.nearestFormat(format);
    }
    QIODevice *pushDevice = nullptr;
    _onAudioThread([&] {
        output = new QAudioOutput(format);
        if (const int ms = bufferMilliseconds)
            output->setBufferSize(format.bytesForDuration(ms * 1000));
        pushDevice = output->start();
        if (!pushDevice) {
            delete output;
            output = nullptr;
        }
    });
    return pushDevice;
}

void JXPcmPlayer::closeOutput()
{
    if (!output)
        return;
    _onAudioThread([this] {
        output->stop();
        delete output;
        output = nullptr;
    });
}

int JXPcmPlayer::periodSize()
{
    return output ? output->periodSize() : -1;
}

bool JXPcmPlayer::_isOpen()
{
    std::lock_guard<std::mutex> guard(deviceLock);
    return device != nullptr;
}

int JXPcmPlayer::_writeOnce(const char *data, int length, qint64 &last)
{
    {
        std::lock_guard<std::mutex> guard(deviceLock);
        if (!device)
            return -1;
        const int period = periodSize();
        if (period >= 0 && last != 0) {
            last = device->write(data, std::min(length, period));
            // A device that fails ends the write rather than being retried for ever.
            return last < 0 ? -1 : static_cast<int>(last);
        }
    }
    // The device took nothing last time: give it a period to drain, without the lock.
    QThread::usleep(kRetryMicroseconds);
    last = -1;
    return 0;
}

void JXPcmPlayer::_writeChunks()
{
    // With a short output buffer (a live source) nothing waits for a chunk to fill up:
    // the sound of each frame goes out with it.
    const int least = bufferMilliseconds > 0 ? 1 : kChunkBytes;
    char chunk[kChunkBytes];
    while (!writeAborted && converter->queuedBytes() >= least) {
        const int bytes = std::min(converter->queuedBytes(), kChunkBytes);
        converter->take(chunk, bytes);
        write(chunk, bytes);
    }
}
