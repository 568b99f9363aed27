#pragma once

class JXPlayerRender;

// Receives the render's events, always on the video render thread.
class JXPlayerRenderObserver
{
public:
    static constexpr int kFirstFrame = 0; // the first video frame of this run is handed over
    static constexpr int kPlayEnded = 1;  // no frame waits and the video input has ended
    static constexpr int kNextFrame = 2;  // a further video frame is handed over

    virtual ~JXPlayerRenderObserver() = default;
    virtual void onRenderEvent(JXPlayerRender *render, int event)
    {
        (void)render;
        (void)event;
    }
};
