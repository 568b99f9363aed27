#pragma once

#include <QColor>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

// Frames of one colour in any 8- to 16-bit software pixel format, written component by
// component from the format's descriptor with the textbook conversion formulas, so that the
// view's swscale path is checked against arithmetic of its own rather than against swscale.
namespace TestFrames {
enum class Matrix
{
    Bt601,
    Bt709
};

// A new frame (free with av_frame_free) of w x h in format, filled with colour. YUV formats
// get limited-range values unless range is AVCOL_RANGE_JPEG or the format is a full-range
// one; the frame's colorspace is set to the matrix used.
AVFrame *solid(int w, int h, AVPixelFormat format, const QColor &colour,
               Matrix matrix = Matrix::Bt601, AVColorRange range = AVCOL_RANGE_MPEG);

// The largest difference of the red, green and blue channels.
int distance(const QColor &a, const QColor &b);
} // namespace TestFrames
