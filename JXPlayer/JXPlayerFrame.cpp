#include "JXPlayer/JXPlayerFrame.h"

JXPlayerFrame::JXPlayerFrame(const AVFrame *source, AVRational timeBase)
    : frame(av_frame_alloc()), timeBase(timeBase)
{
    if (frame && av_frame_ref(frame, source) < 0)
        av_frame_unref(frame);
}

JXPlayerFrame::~JXPlayerFrame()
{
    av_frame_free(&frame);
}

double JXPlayerFrame::time() const
{
    if (timeBase.den == 0)
        return 0.0;
    return static_cast<double>(frame->pts) * timeBase.num / timeBase.den;
}
