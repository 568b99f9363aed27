#pragma once

#include "JXPlayer/JXPlayerThread.h"

class JXPlayerRender;

// The render's audio thread: its body is JXPlayerRender::renderAudio().
class JXPlayerRenderAudioThread : public JXPlayerThread
{
public:
    explicit JXPlayerRenderAudioThread(JXPlayerRender *render);

protected:
    void work() override;

private:
    JXPlayerRender *render; // not owned; owns this thread
};
