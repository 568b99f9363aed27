#include "JXPlayer/JXPlayerDecoderAudioThread.h"

#include "JXPlayer/JXPlayerDecoder.h"

JXPlayerDecoderAudioThread::JXPlayerDecoderAudioThread(JXPlayerDecoder *decoder) : decoder(decoder)
{
    setName("JXPlayerDecoderAudioThread");
}

void JXPlayerDecoderAudioThread::work()
{
    decoder->decodeAudio();
}
