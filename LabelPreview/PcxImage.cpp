#include "PcxImage.h"

#include "LabelCanvas.h"

namespace {

constexpr size_t HeaderSize = 128;

int get16(const uint8_t *p)
{
    return p[0] | (p[1] << 8);
}

} // namespace

bool decodePcx(const uint8_t *data, size_t size, PcxImage &out, std::string &error)
{
    if (size < HeaderSize || data[0] != 10 || data[2] != 1) {
        error = "not a run-length PCX file";
        return false;
    }
    if (data[3] != 1 || data[65] != 1) {
        error = "not one bit per pixel in one plane";
        return false;
    }
    out.version = data[1];
    out.width = get16(data + 8) - get16(data + 4) + 1;
    out.height = get16(data + 10) - get16(data + 6) + 1;
    out.bytesPerLine = get16(data + 66);
    if (out.width <= 0 || out.height <= 0 || out.bytesPerLine * 8 < out.width) {
        error = "impossible sizes in the header";
        return false;
    }
    if (out.width > LabelCanvas::MaxSide || out.height > LabelCanvas::MaxSide ||
        static_cast<long long>(out.width) * out.height > LabelCanvas::MaxDots ||
        out.bytesPerLine > (LabelCanvas::MaxSide + 15) / 8 + 1) {
        error = "larger than any label";
        return false;
    }
    const size_t total = static_cast<size_t>(out.bytesPerLine) * out.height;
    // Two bytes decode to at most 63: a header that promises more than its data can hold
    // is refused before anything is allocated for it.
    if (total > (size - HeaderSize) / 2 * 63 + 63) {
        error = "the image data ends early";
        return false;
    }
    out.rows.clear();
    out.rows.reserve(total);
    size_t i = HeaderSize;
    while (out.rows.size() < total && i < size) {
        size_t count = 1;
        uint8_t value = data[i++];
        if ((value & 0xC0) == 0xC0) {
            if (i >= size)
                break;
            count = value & 0x3F;
            value = data[i++];
        }
        for (size_t k = 0; k < count && out.rows.size() < total; ++k)
            out.rows.push_back(value);
    }
    if (out.rows.size() < total) {
        error = "the image data ends early";
        return false;
    }
    return true;
}
