#pragma once

#include "JXPlayer/JXPcmPlayer.h"

#include <QAudioFormat>
#include <QByteArray>
#include <QIODevice>

#include <atomic>
#include <mutex>
#include <vector>

// The push device of RecordingPcmPlayer: keeps every byte it takes, or takes nothing (an
// output that has stalled), or fails every write.
class SinkDevice : public QIODevice
{
public:
    enum Mode
    {
        TakesAll,
        TakesNothing,
        Fails
    };

    void setMode(Mode mode) { this->mode = mode; }
    QByteArray bytes() const;
    std::vector<qint64> writeSizes() const;
    // Calls of writeData, accepted or not.
    int attempts() const { return tries; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override;

private:
    std::atomic<Mode> mode{TakesAll};
    std::atomic<int> tries{0};
    mutable std::mutex lock;
    QByteArray kept;           // under lock
    std::vector<qint64> sizes; // under lock
};

// A PCM player whose output is a SinkDevice: the default output device "prefers" the given
// format and accepts whatever it is asked for, with the given period size.
class RecordingPcmPlayer : public JXPcmPlayer
{
public:
    explicit RecordingPcmPlayer(const QAudioFormat &preferred = stereo48k(), int period = 4096);
    ~RecordingPcmPlayer() override;

    SinkDevice &sink() { return device; }
    // An output that takes this long to open, as a sound server may.
    void setOpenDelayMs(int ms) { openDelayMs = ms; }
    // Steady clock (steadyNow) when the output last finished opening; 0 before.
    double openedAt() const { return opened; }
    static QAudioFormat stereo48k();
    static QAudioFormat format(int rate, int channels, int bits, QAudioFormat::SampleType type);

protected:
    bool defaultDeviceFormat(QAudioFormat &preferred) override;
    QIODevice *openOutput(QAudioFormat &format) override;
    void closeOutput() override;
    int periodSize() override { return period; }

private:
    QAudioFormat preferred;
    int period;
    SinkDevice device;
    int openDelayMs = 0;           // set before the player starts
    std::atomic<double> opened{0}; // written by the opening thread
};
