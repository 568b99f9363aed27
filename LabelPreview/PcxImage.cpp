#include "PcxImage.h"

#include "KorvalPcxLayout.h"
#include "LabelCanvas.h"

namespace {

constexpr size_t HeaderSize = PcxHeaderSize;

int get16(const uint8_t *p)
{
    return p[0] | (p[1] << 8);
}

} // namespace

bool decodePcx(const uint8_t *data, size_t size, PcxImage &out, std::string &error)
{
    if (size < HeaderSize || data[PcxManufacturerAt] != PcxManufacturer ||
        data[PcxEncodingAt] != PcxRunLengthEncoding) {
        error = "not a run-length PCX file";
        return false;
    }
    if (data[PcxBitsPerPixelAt] != 1 || data[PcxPlanesAt] != 1) {
        error = "not one bit per pixel in one plane";
        return false;
    }
    out.version = data[PcxVersionAt];
    out.width = get16(data + PcxXMaxAt) - get16(data + PcxXMinAt) + 1;
    out.height = get16(data + PcxYMaxAt) - get16(data + PcxYMinAt) + 1;
    out.bytesPerLine = get16(data + PcxBytesPerLineAt);
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
    // Two bytes decode to at most PcxMaxRun: a header that promises more than its data can
    // hold is refused before anything is allocated for it.
    if (total > (size - HeaderSize) / 2 * PcxMaxRun + PcxMaxRun) {
        error = "the image data ends early";
        return false;
    }
    out.rows.clear();
    out.rows.reserve(total);
    size_t i = HeaderSize;
    while (out.rows.size() < total && i < size) {
        size_t count = 1;
        uint8_t value = data[i++];
        if ((value & PcxRunMarker) == PcxRunMarker) {
            if (i >= size)
                break;
            count = value & PcxRunCountMask;
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
