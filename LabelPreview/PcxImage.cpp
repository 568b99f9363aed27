#include "PcxImage.h"

#include "KorvalPcxLayout.h"
#include "LabelCanvas.h"

namespace {

constexpr size_t kHeaderSize = kPcxHeaderSize;

int get16(const uint8_t *p)
{
    return p[0] | (p[1] << 8);
}

} // namespace

bool decodePcx(const uint8_t *data, size_t size, PcxImage &out, std::string &error)
{
    if (size < kHeaderSize || data[kPcxManufacturerAt] != kPcxManufacturer ||
        data[kPcxEncodingAt] != kPcxRunLengthEncoding) {
        error = "not a run-length PCX file";
        return false;
    }
    if (data[kPcxBitsPerPixelAt] != 1 || data[kPcxPlanesAt] != 1) {
        error = "not one bit per pixel in one plane";
        return false;
    }
    out.version = data[kPcxVersionAt];
    out.width = get16(data + kPcxXMaxAt) - get16(data + kPcxXMinAt) + 1;
    out.height = get16(data + kPcxYMaxAt) - get16(data + kPcxYMinAt) + 1;
    out.bytesPerLine = get16(data + kPcxBytesPerLineAt);
    if (out.width <= 0 || out.height <= 0 || out.bytesPerLine * 8 < out.width) {
        error = "impossible sizes in the header";
        return false;
    }
    if (out.width > LabelCanvas::kMaxSide || out.height > LabelCanvas::kMaxSide ||
        static_cast<long long>(out.width) * out.height > LabelCanvas::kMaxDots ||
        out.bytesPerLine > (LabelCanvas::kMaxSide + 15) / 8 + 1) {
        error = "larger than any label";
        return false;
    }
    const size_t total = static_cast<size_t>(out.bytesPerLine) * out.height;
    // Two bytes decode to at most kPcxMaxRun: a header that promises more than its data can
    // hold is refused before anything is allocated for it.
    if (total > (size - kHeaderSize) / 2 * kPcxMaxRun + kPcxMaxRun) {
        error = "the image data ends early";
        return false;
    }
    out.rows.clear();
    out.rows.reserve(total);
    size_t i = kHeaderSize;
    while (out.rows.size() < total && i < size) {
        size_t count = 1;
        uint8_t value = data[i++];
        if ((value & kPcxRunMarker) == kPcxRunMarker) {
            if (i >= size)
                break;
            count = value & kPcxRunCountMask;
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
