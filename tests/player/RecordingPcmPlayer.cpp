#include "RecordingPcmPlayer.h"

#include "RecordingView.h"

#include <QThread>

QByteArray SinkDevice::bytes() const
{
    // A deep copy: a shared one would let the writer reallocate under the reader's copy.
    std::lock_guard<std::mutex> guard(lock);
    return QByteArray(kept.constData(), kept.size());
}

std::vector<qint64> SinkDevice::writeSizes() const
{
    std::lock_guard<std::mutex> guard(lock);
    return sizes;
}

qint64 SinkDevice::writeData(const char *data, qint64 length)
{
    tries.fetch_add(1);
    if (mode == TakesNothing)
        return 0;
    if (mode == Fails)
        return -1;
    std::lock_guard<std::mutex> guard(lock);
    kept.append(data, static_cast<int>(length));
    sizes.push_back(length);
    return length;
}

RecordingPcmPlayer::RecordingPcmPlayer(const QAudioFormat &preferred, int period)
    : preferred(preferred), period(period)
{}

RecordingPcmPlayer::~RecordingPcmPlayer()
{
    stop();
}

QAudioFormat RecordingPcmPlayer::stereo48k()
{
    return format(48000, 2, 16, QAudioFormat::SignedInt);
}

QAudioFormat RecordingPcmPlayer::format(int rate, int channels, int bits,
                                        QAudioFormat::SampleType type)
{
    QAudioFormat f;
    f.setSampleRate(rate);
    f.setChannelCount(channels);
    f.setSampleSize(bits);
    f.setSampleType(type);
    f.setCodec("audio/pcm");
    f.setByteOrder(QAudioFormat::LittleEndian);
    return f;
}

bool RecordingPcmPlayer::defaultDeviceFormat(QAudioFormat &format)
{
    format = preferred;
    return true;
}

QIODevice *RecordingPcmPlayer::openOutput(QAudioFormat &)
{
    QThread::msleep(static_cast<unsigned long>(openDelayMs));
    device.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    opened = steadyNow();
    return &device;
}

void RecordingPcmPlayer::closeOutput()
{
    device.close();
}
