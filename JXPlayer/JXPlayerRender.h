#pragma once

#include <atomic>
#include <mutex>

class JXPlayerDecoder;
class JXPlayerFrame;
class JXPlayerRenderAudioThread;
class JXPlayerRenderObserver;
class JXPlayerRenderVideoThread;

// Takes decoded frames from the decoder on a video and an audio thread and hands each to a
// sink. Video is paced against the wall clock by the frames' presentation times; audio is
// paced by its sink's blocking write.
class JXPlayerRender
{
public:
    // The wall-clock anchor of one kind's presentation times.
    struct Anchor
    {
        double baseTime;   // presentation time at the anchor; -1 = none
        double wallAnchor; // wall clock at the anchor
    };

    JXPlayerRender();
    virtual ~JXPlayerRender();
    JXPlayerRender(const JXPlayerRender &) = delete;
    JXPlayerRender &operator=(const JXPlayerRender &) = delete;

    // Presentation time of the last video frame, else of the last audio frame, else 0.
    virtual double currentTime();
    // Starts a thread per kind the reader has (restarting running ones); 0.
    virtual int start();
    // Stops and joins the audio, then the video thread.
    virtual void stop();
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

    void setDecoder(JXPlayerDecoder *decoder);
    void setObserver(JXPlayerRenderObserver *observer);

    // Thread bodies.
    void renderVideo();
    void renderAudio();

    // Anchor bookkeeping of one kind: sets or moves the anchor for a frame at time seen at
    // wall clock now after count frames, the last at lastTime. Returns the wall clock the
    // frame is due at, 0 for at once. kind names the clock in the log ("video", "audio").
    static double dueTime(Anchor &anchor, double time, double lastTime, int count, double now,
                          const char *kind);

    // A forward step in presentation time beyond this (seconds) starts a new anchor.
    static constexpr double kMaxTimeStep = 1.0;
    // An anchor older than this (seconds of wall clock) is renewed, so long live streams
    // do not drift from it.
    static constexpr double kMaxAnchorAge = 3600.0;

protected:
    // start and stop may come from the client's thread and, at the first open, from the
    // reader thread; overrides that add a sink around them take it too.
    std::recursive_mutex controlLock;

private:
    double _schedule(std::atomic<double> &baseTime, double &wallAnchor, double time,
                     double lastTime, int count, const char *kind);
    void _holdUntil(double due);
    void _stopThreads();
    bool _videoRunning() const;
    bool _audioRunning() const;
    void _raise(int event);

    JXPlayerDecoder *decoder = nullptr;                            // not owned; set before start
    std::atomic<JXPlayerRenderVideoThread *> videoThread{nullptr}; // owned
    std::atomic<JXPlayerRenderAudioThread *> audioThread{nullptr}; // owned
    std::atomic<double> videoTime{0.0};                            // written by the video thread
    std::atomic<int> videoCount{0};                                // written by the video thread
    std::atomic<double> videoBaseTime{-1.0}; // video thread; reset by resetClock
    std::atomic<double> audioTime{0.0};
    std::atomic<int> audioCount{0};
    std::atomic<double> audioBaseTime{-1.0};
    std::atomic<double> volume_{1.0};
    std::atomic<JXPlayerRenderObserver *> observer{nullptr}; // not owned
};
