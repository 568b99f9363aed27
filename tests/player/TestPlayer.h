#pragma once

#include "RecordingPcmPlayer.h"
#include "RecordingView.h"

#include "JXPlayer/JXPlayer.h"
#include "JXPlayer/JXPlayerDefaultRender.h"

// The player as the program builds it, with sinks that record: the default render hands
// video to a RecordingView and audio to a RecordingPcmPlayer.
class TestPlayer : public JXPlayer
{
public:
    TestPlayer() { setVideoView(&view); }
    ~TestPlayer() override { close(); }

    RecordingView view;
    // The PCM output of the current pipeline; owned by its render, valid until close.
    RecordingPcmPlayer *pcm = nullptr;
    SinkDevice::Mode sinkMode = SinkDevice::TakesAll;
    int pcmOpenDelayMs = 0;

protected:
    JXPlayerRender *createRender() override
    {
        pcm = new RecordingPcmPlayer;
        pcm->sink().setMode(sinkMode);
        pcm->setOpenDelayMs(pcmOpenDelayMs);
        return makeDefaultRender(pcm);
    }
};
