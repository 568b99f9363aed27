#include "JXPlayer/JXPlayerDefaultRender.h"

#include "JXPlayer/JXPcmPlayer.h"
#include "JXPlayer/JXPlayerFrame.h"
#include "JXVideoView/JXVideoView.h"

JXPlayerDefaultRender::JXPlayerDefaultRender() : JXPlayerDefaultRender(new JXPcmPlayer)
{}

JXPlayerDefaultRender::JXPlayerDefaultRender(JXPcmPlayer *pcmPlayer) : pcmPlayer(pcmPlayer)
{}

JXPlayerDefaultRender::~JXPlayerDefaultRender()
{
    stop();
    delete pcmPlayer;
}

int JXPlayerDefaultRender::doStart()
{
    doStop();
    // The first start runs on the reader thread before its first read, and opening the
    // output takes tens of milliseconds: a stream without sound shows its picture sooner
    // without one.
    if (hasSound()) {
        // A live source's sound keeps pace with its picture, which is shown as it comes.
        pcmPlayer->setBufferMilliseconds(isLive() ? kLiveAudioMs : 0);
        pcmPlayer->start();
    }
    return JXPlayerRender::doStart();
}

void JXPlayerDefaultRender::doStop()
{
    // An audio thread blocked on an output that takes nothing would hold up the join.
    pcmPlayer->abortWrite();
    JXPlayerRender::doStop();
    pcmPlayer->stop();
}

int JXPlayerDefaultRender::renderVideoFrame(JXPlayerFrame *frame)
{
    if (JXVideoView *view = videoView.load())
        view->renderFrame(frame->frame);
    return 0;
}

int JXPlayerDefaultRender::renderAudioFrame(JXPlayerFrame *frame)
{
    pcmPlayer->play(frame->frame);
    return 0;
}

void JXPlayerDefaultRender::setVolume(double v)
{
    pcmPlayer->setVolume(static_cast<float>(v));
}

void JXPlayerDefaultRender::setVideoView(JXVideoView *view)
{
    videoView = view;
}
