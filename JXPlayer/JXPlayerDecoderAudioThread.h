#pragma once

#include "JXPlayer/JXPlayerThread.h"

class JXPlayerDecoder;

// The decoder's audio thread: its body is JXPlayerDecoder::decodeAudio().
class JXPlayerDecoderAudioThread : public JXPlayerThread
{
public:
    explicit JXPlayerDecoderAudioThread(JXPlayerDecoder *decoder);

protected:
    void work() override;

private:
    JXPlayerDecoder *decoder; // not owned; owns this thread
};
