#include "KorvalPcx.h"
#include "KorvalOutputFile.h"

#include <cstdio>
#include <cstring>

namespace {

void put16(uint8_t *at, int value)
{
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

int runLength(const uint8_t *row, int length, int i)
{
    int run = 1;
    while (i + run < length && run < kPcxMaxRun && row[i + run] == row[i])
        ++run;
    return run;
}

} // namespace

void makePcxHeader(uint8_t *header, const PcxHeaderFields &f)
{
    std::memset(header, 0, kPcxHeaderSize);
    header[kPcxManufacturerAt] = kPcxManufacturer;
    header[kPcxVersionAt] = f.version;
    header[kPcxEncodingAt] = kPcxRunLengthEncoding;
    header[kPcxBitsPerPixelAt] = 1;
    put16(header + kPcxXMaxAt, f.width - 1);
    put16(header + kPcxYMaxAt, f.height - 1);
    const int entries =
        f.paletteEntries < kPcxPaletteEntries ? f.paletteEntries : kPcxPaletteEntries;
    if (f.paletteRgb != nullptr && entries > 0)
        std::memcpy(header + kPcxPaletteAt, f.paletteRgb, static_cast<size_t>(entries) * 3);
    header[kPcxPlanesAt] = 1;
    put16(header + kPcxBytesPerLineAt, f.bytesPerLine);
    put16(header + kPcxPaletteInfoAt, 1);
}

int encodePcxRow(const uint8_t *row, int length, uint8_t *out, int capacity)
{
    int n = 0;
    for (int i = 0; i < length;) {
        const int run = runLength(row, length, i);
        const bool escaped = run > 1 || row[i] > kPcxMaxRun;
        if (n + (escaped ? 2 : 1) > capacity)
            return -1;
        if (escaped)
            out[n++] = static_cast<uint8_t>(kPcxRunMarker + run);
        out[n++] = row[i];
        i += run;
    }
    return n;
}

void encodeBmpPcx(const uint8_t *image, int rowLength, int height, std::vector<uint8_t> &out)
{
    for (int y = 0; y < height; ++y) {
        const uint8_t *row = image + static_cast<size_t>(y) * rowLength;
        for (int i = 0; i < rowLength;) {
            const int run = runLength(row, rowLength, i);
            if (run > 1 || row[i] >= kPcxRunMarker)
                out.push_back(static_cast<uint8_t>(kPcxRunMarker + run));
            out.push_back(row[i]);
            i += run;
        }
    }
}

int writeBitmapPcxFile(const char *path, const uint8_t *bits, int width, int height)
{
    std::FILE *file = korvalCreateOutputFile(path);
    if (file == nullptr)
        return kPcxFileCreateFailed;
    PcxHeaderFields fields;
    fields.version = kPcxVersionTextRenderer;
    fields.width = width;
    fields.height = height;
    fields.bytesPerLine = width / 8;
    uint8_t header[kPcxHeaderSize];
    makePcxHeader(header, fields);
    bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
    int result = 0;
    uint8_t encoded[kPcxEncodedRowCapacity];
    for (int y = 0; ok && y < height; ++y) {
        const int n = encodePcxRow(bits + static_cast<size_t>(y) * fields.bytesPerLine,
                                   fields.bytesPerLine, encoded, sizeof encoded);
        if (n < 0) {
            result = kPcxRowTooLong;
            break;
        }
        ok = std::fwrite(encoded, 1, static_cast<size_t>(n), file) == static_cast<size_t>(n);
    }
    ok = std::fclose(file) == 0 && ok;
    if (result == 0 && !ok)
        result = kPcxFileCreateFailed;
    if (result != 0)
        std::remove(path);
    return result;
}
