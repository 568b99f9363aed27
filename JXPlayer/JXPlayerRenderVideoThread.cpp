#include "JXPlayer/JXPlayerRenderVideoThread.h"

#include "JXPlayer/JXPlayerRender.h"

JXPlayerRenderVideoThread::JXPlayerRenderVideoThread(JXPlayerRender *render) : render(render)
{
    setName("JXPlayerRenderVideoThread");
}

void JXPlayerRenderVideoThread::work()
{
    render->renderVideo();
}
