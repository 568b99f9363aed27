#include "JXPlayer/JXPlayerDecoderVideoThread.h"

#include "JXPlayer/JXPlayerDecoder.h"

JXPlayerDecoderVideoThread::JXPlayerDecoderVideoThread(JXPlayerDecoder *decoder) : decoder(decoder)
{
    setName("JXPlayerDecoderVideoThread");
}

void JXPlayerDecoderVideoThread::work()
{
    decoder->decodeVideo();
}
