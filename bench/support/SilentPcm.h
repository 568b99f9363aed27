#pragma once

#include "JXPlayer/JXPcmPlayer.h"

#include <QIODevice>

// A PCM output whose sound goes nowhere: no audio device is needed and the audio thread
// never blocks.
class SilentPcm : public JXPcmPlayer
{
public:
    ~SilentPcm() override { stop(); }

protected:
    bool defaultDeviceFormat(QAudioFormat &preferred) override;
    QIODevice *openOutput(QAudioFormat &) override;
    void closeOutput() override { sink.close(); }
    int periodSize() override { return 1 << 20; }

private:
    class Sink : public QIODevice
    {
    protected:
        qint64 readData(char *, qint64) override { return -1; }
        qint64 writeData(const char *, qint64 length) override { return length; }
    } sink;
};
