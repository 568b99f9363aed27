#pragma once

struct AVFrame;

// The sink for decoded video frames that the render talks to. Both operations may be
// called from the video render thread; an implementation keeps what it needs of the frame
// (a reference), since the caller releases it afterwards.
class JXVideoView
{
public:
    virtual ~JXVideoView() = default;
    // Shows frame (null: keeps nothing).
    virtual void renderFrame(AVFrame *frame) = 0;
    // Drops the held frame and shows black.
    virtual void clearFrame() = 0;
};
