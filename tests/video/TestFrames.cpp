#include "TestFrames.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace {
struct Values
{
    double c[4]; // components in the descriptor's order, as fractions of full scale
};

Values yuvOf(const QColor &colour, TestFrames::Matrix matrix, bool fullRange)
{
    const double r = colour.redF(), g = colour.greenF(), b = colour.blueF();
    const double kr = matrix == TestFrames::Matrix::Bt709 ? 0.2126 : 0.299;
    const double kb = matrix == TestFrames::Matrix::Bt709 ? 0.0722 : 0.114;
    const double y = kr * r + (1 - kr - kb) * g + kb * b;
    const double cb = (b - y) / (2 * (1 - kb));
    const double cr = (r - y) / (2 * (1 - kr));
    if (fullRange)
        return {{y, 0.5 + cb, 0.5 + cr, 1.0}};
    return {{(16 + 219 * y) / 255, (128 + 224 * cb) / 255, (128 + 224 * cr) / 255, 1.0}};
}

void put(AVFrame *frame, const AVComponentDescriptor &comp, int x, int y, double fraction,
         int depth)
{
    const int maximum = (1 << depth) - 1;
    const unsigned value =
        static_cast<unsigned>(std::lround(std::clamp(fraction, 0.0, 1.0) * maximum));
    uint8_t *at =
        frame->data[comp.plane] + y * frame->linesize[comp.plane] + x * comp.step + comp.offset;
    if (comp.step == 1 || depth <= 8) {
        *at = static_cast<uint8_t>(value << comp.shift);
    } else {
        const unsigned word = value << comp.shift;
        at[0] = static_cast<uint8_t>(word & 0xff); // little-endian formats only
        at[1] = static_cast<uint8_t>(word >> 8);
    }
}
} // namespace

AVFrame *TestFrames::solid(int w, int h, AVPixelFormat format, const QColor &colour, Matrix matrix,
                           AVColorRange range)
{
    AVFrame *frame = av_frame_alloc();
    frame->width = w;
    frame->height = h;
    frame->format = format;
    if (av_frame_get_buffer(frame, 0) < 0) {
        av_frame_free(&frame);
        return nullptr;
    }
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(format);
    const bool rgb = desc->flags & AV_PIX_FMT_FLAG_RGB;
    const bool fullRange = range == AVCOL_RANGE_JPEG || QByteArray(desc->name).startsWith("yuvj");
    Values values = rgb ? Values{{colour.redF(), colour.greenF(), colour.blueF(), 1.0}}
                        : yuvOf(colour, matrix, fullRange);
    if (desc->nb_components <= 2 && !rgb) // grey: luma only
        values = yuvOf(colour, matrix, fullRange);
    frame->colorspace = matrix == Matrix::Bt709 ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    frame->color_range = fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    for (int c = 0; c < desc->nb_components; ++c) {
        const AVComponentDescriptor &comp = desc->comp[c];
        const bool chroma = !rgb && (c == 1 || c == 2);
        const int cw = chroma ? AV_CEIL_RSHIFT(w, desc->log2_chroma_w) : w;
        const int ch = chroma ? AV_CEIL_RSHIFT(h, desc->log2_chroma_h) : h;
        for (int y = 0; y < ch; ++y) {
            for (int x = 0; x < cw; ++x)
                put(frame, comp, x, y, values.c[c], comp.depth);
        }
    }
    return frame;
}

int TestFrames::distance(const QColor &a, const QColor &b)
{
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
}
