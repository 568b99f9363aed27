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
    {
        std::lock_guard<std::mutex> guard(outputLock);
        outputStopping = false;
        outputOpened = false;
    }
    return JXPlayerRender::doStart();
}

void JXPlayerDefaultRender::doStop()
{
    // No output opens after this: an open would clear the abort below.
    {
        std::lock_guard<std::mutex> guard(outputLock);
        outputStopping = true;
    }
    // An audio thread blocked on an output that takes nothing would hold up the join.
    pcmPlayer->abortWrite();
    JXPlayerRender::doStop();
    pcmPlayer->stop();
}

bool JXPlayerDefaultRender::_openOutputOnce()
{
    // The output opens with the first sound, on the thread that plays it. The render
    // starts on the reader thread before its first read, and an open takes tens of
    // milliseconds that the first picture would wait for.
    std::lock_guard<std::mutex> guard(outputLock);
    if (outputStopping)
        return false;
    if (!outputOpened) {
        outputOpened = true;
        // A live source's sound keeps pace with its picture, which is shown as it comes.
        pcmPlayer->setBufferMilliseconds(isLive() ? kLiveAudioMs : 0);
        pcmPlayer->start();
    }
    return true;
}

int JXPlayerDefaultRender::renderVideoFrame(JXPlayerFrame *frame)
{
    if (JXVideoView *view = videoView.load())
        view->renderFrame(frame->frame);
    return 0;
}

int JXPlayerDefaultRender::renderAudioFrame(JXPlayerFrame *frame)
{
    if (_openOutputOnce())
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
