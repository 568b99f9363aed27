#include "JXPlayer/JXPlayerRenderAudioThread.h"

#include "JXPlayer/JXPlayerRender.h"

JXPlayerRenderAudioThread::JXPlayerRenderAudioThread(JXPlayerRender *render) : render(render)
{
    setName("JXPlayerRenderAudioThread");
}

void JXPlayerRenderAudioThread::work()
{
    render->renderAudio();
}
