#pragma once

#include "JXPlayer/JXPlayerThread.h"

class JXPlayerDecoder;

// The decoder's video thread: its body is JXPlayerDecoder::decodeVideo().
class JXPlayerDecoderVideoThread : public JXPlayerThread
{
public:
    explicit JXPlayerDecoderVideoThread(JXPlayerDecoder *decoder);

protected:
    void work() override;

private:
    JXPlayerDecoder *decoder; // not owned; owns this thread
};
