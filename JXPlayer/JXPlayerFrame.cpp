#include "JXPlayer/JXPlayerFrame.h"

JXPlayerFrame::JXPlayerFrame(AVFrame *source, AVRational timeBase)
    : frame(av_frame_alloc()), timeBase(timeBase)
{
    if (frame)
        av_frame_move_ref(frame, source);
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
