#pragma once

#include "JXPlayer/JXPlayerRender.h"

#include <atomic>
#include <mutex>

class JXPcmPlayer;
class JXVideoView;

// The program's render: video frames go to a JXVideoView, audio frames to its own PCM
// player.
class JXPlayerDefaultRender : public JXPlayerRender
{
public:
    JXPlayerDefaultRender();
    // Takes ownership of pcmPlayer (an output of the caller's choosing).
    explicit JXPlayerDefaultRender(JXPcmPlayer *pcmPlayer);
    ~JXPlayerDefaultRender() override;

    int renderVideoFrame(JXPlayerFrame *frame) override;
    int renderAudioFrame(JXPlayerFrame *frame) override;
    // Only the PCM output's volume: audio keeps being decoded, so unmuting is instant.
    void setVolume(double v) override;

    void setVideoView(JXVideoView *view);
    JXPcmPlayer *pcm() const { return pcmPlayer; }

    // Milliseconds of sound the output holds on a live source: about what the picture
    // takes from arrival to screen, with room for the scheduling of a busy machine.
    static constexpr int kLiveAudioMs = 40;

protected:
    // Starts the threads; the PCM output opens with the first sound.
    int doStart() override;
    // Joins the threads, then closes the PCM output.
    void doStop() override;

private:
    // Audio thread: opens the output before the first sound; false once a stop has begun.
    bool _openOutputOnce();

    std::mutex outputLock;
    bool outputStopping = false; // under outputLock
    bool outputOpened = false;   // under outputLock
    // Not owned; may be null. Set by the client, read by the video render thread.
    std::atomic<JXVideoView *> videoView{nullptr};
    // Owned; safe from any thread (it guards itself); set at construction.
    JXPcmPlayer *const pcmPlayer;
};
