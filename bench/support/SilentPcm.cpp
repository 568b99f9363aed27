#include "SilentPcm.h"

bool SilentPcm::defaultDeviceFormat(QAudioFormat &preferred)
{
    preferred.setSampleRate(48000);
    preferred.setChannelCount(2);
    preferred.setSampleSize(16);
    preferred.setSampleType(QAudioFormat::SignedInt);
    preferred.setCodec("audio/pcm");
    return true;
}

QIODevice *SilentPcm::openOutput(QAudioFormat &)
{
    sink.open(QIODevice::WriteOnly);
    return &sink;
}
