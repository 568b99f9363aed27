#pragma once

#include "JXUtils/JXMemberThread.h"

#include <atomic>
#include <mutex>

class JXPlayerDecoder;
class JXPlayerFrame;
class JXPlayerRender;
class JXPlayerRenderObserver;

// The render threads: their bodies are JXPlayerRender::renderVideo() and renderAudio().
using JXPlayerRenderVideoThread = JXMemberThread<JXPlayerRender>;
using JXPlayerRenderAudioThread = JXMemberThread<JXPlayerRender>;

// Takes decoded frames from the decoder on a video and an audio thread and hands each to a
// sink. Video is paced on the monotonic clock by the frames' presentation times, except on
// a live (realtime) source, where the newest decoded frame is shown at once; audio is paced
// by its sink's blocking write.
class JXPlayerRender
{
public:
    // The clock anchor of one kind's presentation times.
    struct Anchor
    {
        double baseTime;   // presentation time at the anchor; -1 = none
        double wallAnchor; // monotonic clock at the anchor (JXThread::monotonic())
    };

    JXPlayerRender();
    virtual ~JXPlayerRender();
    JXPlayerRender(const JXPlayerRender &) = delete;
    JXPlayerRender &operator=(const JXPlayerRender &) = delete;

    // Presentation time of the last video frame, else of the last audio frame, else 0.
    virtual double currentTime();
    // Starts a thread per kind the reader has (restarting running ones); 0. Runs doStart()
    // under controlLock.
    int start();
    // Stops and joins the audio, then the video thread. Runs doStop() under controlLock.
    void stop();
    // The sinks. The frame stays the caller's. A negative audio result means "not yet":
    // the frame is offered again 1 ms later.
    virtual int renderVideoFrame(JXPlayerFrame *frame) = 0;
    virtual int renderAudioFrame(JXPlayerFrame *frame) = 0;
    virtual bool isRunning();
    // The next frame of each kind sets a new anchor (after a seek).
    virtual void resetClock();
    // Stores v; audio decoding stays on only above 0.01.
    virtual void setVolume(double v);
    virtual double volume();
    // Decoded video frames of this run that were skipped because a newer one waited.
    int droppedVideoFrames() const { return videoDropped; }
    // Decoded audio frames of this run dropped because they came too late (live sources).
    int droppedAudioFrames() const { return audioDropped; }

    // Whether a live source's audio frame, taken at monotonic now, waited in the player so
    // long since its packet was read that it has piled up behind a burst, a slow start of
    // the output or a stall of the machine: played, it would keep the sound late for good,
    // as the output plays in real time and never catches up.
    static bool isStale(const JXPlayerFrame *frame, double now);
    // Seconds an audio frame may wait beyond its own length.
    static constexpr double kMaxLiveAudioWait = 0.03;
    // Seconds a live picture with sound is held after its packet was read, so that it is
    // seen with its sound (which waits for the output and then for the output's buffer).
    static constexpr double kLiveSoundHold = 0.04;

    void setDecoder(JXPlayerDecoder *decoder);
    void setObserver(JXPlayerRenderObserver *observer);

    // Thread bodies.
    void renderVideo();
    void renderAudio();

    // Anchor bookkeeping of one kind: sets or moves the anchor for a frame at time seen at
    // monotonic clock now after count frames, the last at lastTime. Returns the clock the
    // frame is due at, 0 for at once. kind names the clock in the log ("video", "audio").
    static double dueTime(Anchor &anchor, double time, double lastTime, int count, double now,
                          const char *kind);

    // A forward step in presentation time beyond this (seconds) starts a new anchor.
    static constexpr double kMaxTimeStep = 1.0;
    // An anchor older than this (seconds) is renewed, so long live streams
    // do not drift from it.
    static constexpr double kMaxAnchorAge = 3600.0;

protected:
    // The steps of start() and stop(), called with controlLock held. An override that adds
    // a sink around them calls the base step (and doStop(), never stop(), from doStart()).
    virtual int doStart();
    virtual void doStop();
    // Whether the input is a live source (the reader's realtime mode).
    bool isLive() const;

private:
    // start and stop may come from the client's thread and, at the first open, from the
    // reader thread; this lock makes each one whole.
    std::mutex controlLock;

    double _schedule(std::atomic<double> &baseTime, double &wallAnchor, double time,
                     double lastTime, int count, const char *kind);
    void _holdUntil(double due);
    JXPlayerFrame *_newestVideoFrame();
    void _stopThreads();
    bool _videoRunning() const;
    bool _audioRunning() const;
    void _raise(int event);

    JXPlayerDecoder *decoder = nullptr; // not owned; set before start, then read-only
    // Owned; replaced under controlLock by start/stop only, read by the bodies and clients.
    std::atomic<JXPlayerRenderVideoThread *> videoThread{nullptr};
    std::atomic<JXPlayerRenderAudioThread *> audioThread{nullptr};
    // Written by the video thread (by start while none runs); read by any thread.
    std::atomic<double> videoTime{0.0};
    std::atomic<int> videoCount{0};
    std::atomic<double> videoBaseTime{-1.0}; // video thread; any thread resets it (resetClock)
    // Written by the audio thread (by start while none runs); read by any thread.
    std::atomic<double> audioTime{0.0};
    std::atomic<int> audioCount{0};
    std::atomic<double> audioBaseTime{-1.0}; // audio thread; any thread resets it (resetClock)
    std::atomic<double> volume_{1.0};        // set by the client, read by any thread
    // Decoded video frames skipped for a newer one (live sources); video thread, any reader.
    std::atomic<int> videoDropped{0};
    std::atomic<int> audioDropped{0};                        // audio thread; read by any thread
    std::atomic<JXPlayerRenderObserver *> observer{nullptr}; // not owned; set by the client
};
