#pragma once

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/rational.h>
}

// One decoded frame on its way from a decode thread to a render thread.
class JXPlayerFrame
{
public:
    // Takes over source's reference (no copy of the picture or samples) and leaves source
    // blank, so the decode thread never drops a reference that a render thread uses.
    JXPlayerFrame(AVFrame *source, AVRational timeBase);
    virtual ~JXPlayerFrame();
    JXPlayerFrame(const JXPlayerFrame &) = delete;
    JXPlayerFrame &operator=(const JXPlayerFrame &) = delete;

    // Presentation time in seconds: pts x timeBase.
    double time() const;

    AVFrame *frame;      // owned reference
    AVRational timeBase; // of the stream the packet came from
    // Monotonic clock when the packet last sent before it was read; 0 when not known. For
    // audio, whose decoders hold nothing back, that is the frame's own packet.
    double readAt = 0.0;
};
