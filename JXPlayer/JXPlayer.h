#pragma once

#include "JXPlayer/JXPlayerReaderObserver.h"
#include "JXPlayer/JXPlayerRenderObserver.h"

#include <QByteArray>

#include <atomic>

class JXPcmPlayer;
class JXPlayerDecoder;
class JXPlayerDefaultRender;
class JXPlayerObserver;
class JXPlayerReader;
class JXPlayerRender;
class JXVideoView;

// Plays one URL: builds the pipeline reader -> decoder -> render on open, forwards play,
// pause, seek and volume to the right stage, turns the stages' events into player events
// and tears the pipeline down on close. The client calls close before every open and
// before deleting the player.
class JXPlayer : public JXPlayerReaderObserver, public JXPlayerRenderObserver
{
public:
    JXPlayer();
    ~JXPlayer() override;
    JXPlayer(const JXPlayer &) = delete;
    JXPlayer &operator=(const JXPlayer &) = delete;

    void onReaderEvent(JXPlayerReader *reader, int event) override;
    // KiB per second read; 0 while closed.
    virtual double bitrate();
    // Builds and starts the pipeline; 0, or -1 when the reader could not start.
    virtual int open();
    virtual void close();
    virtual bool isOpened();
    virtual void play();
    virtual void pause();
    virtual bool isPlaying();
    virtual void seek(double seconds);
    virtual void flush();
    // Seconds of the frame last shown; 0 while nothing renders.
    virtual double position();
    // Seconds; 0 while closed, -1 when the input does not tell.
    virtual double duration();
    virtual JXPlayerReader *createReader();
    virtual JXPlayerDecoder *createDecoder();
    // A default render with its own PCM player.
    virtual JXPlayerRender *createRender();

    void onRenderEvent(JXPlayerRender *render, int event) override;

    int open(const QByteArray &url);
    void setRealtime(bool realtime);
    void setHwDeviceType(int type);
    void setObserver(JXPlayerObserver *observer);
    void setVideoView(JXVideoView *view);
    void setVolume(double volume);
    // Seconds the next open may take (10 at construction).
    void setTimeout(double seconds);
    // Protocols the next open may use (FFmpeg's "protocol_whitelist"); empty: any.
    void setProtocolWhitelist(const QByteArray &protocols);

protected:
    // The default render around pcmPlayer (owned by the render), remembered as such; for
    // createRender and overrides that choose another PCM output.
    JXPlayerDefaultRender *makeDefaultRender(JXPcmPlayer *pcmPlayer);

private:
    void _raise(int event, double value1, double value2);

    // Settings (url, realtime, timeout, hwDeviceType, videoView, volume): the client's
    // thread only. Stages (reader, decoder, render, defaultRender): written on the client's
    // thread, by open before the reader thread starts and by close after every stage
    // thread has been joined; the stage threads read them in the observer calls.
    QByteArray url;
    bool realtime = false;
    double timeout = 10.0;
    QByteArray protocolWhitelist;
    JXPlayerReader *reader = nullptr; // owned while open
    int hwDeviceType = 0;
    JXPlayerDecoder *decoder = nullptr; // owned while open
    JXVideoView *videoView = nullptr;   // not owned
    double volume = 1.0;
    JXPlayerRender *render = nullptr;                  // owned while open
    JXPlayerDefaultRender *defaultRender = nullptr;    // the render, when it is the default one
    std::atomic<JXPlayerObserver *> observer{nullptr}; // not owned
};
