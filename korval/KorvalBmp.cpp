#include "KorvalBmp.h"

#include "KorvalOutputFile.h"
#include "KorvalPcx.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40; // the smallest header that carries what we read
constexpr size_t kColourTableSize = 8; // two BGRX entries
constexpr int kLuminanceThreshold = 128;

uint32_t get32(const uint8_t *p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t get16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

int rowBytesFor(int width)
{
    return (width + 31) / 32 * 4;
}

// A 1-bit image, rows top first, rowBytes per row, leftmost pixel in the top bit.
struct BitImage
{
    int width = 0;
    int height = 0;
    int rowBytes = 0;
    std::vector<uint8_t> bits;

    void reset(int w, int h)
    {
        width = w;
        height = h;
        rowBytes = rowBytesFor(w);
        bits.assign(static_cast<size_t>(rowBytes) * h, 0);
    }
    bool get(int x, int y) const { return (bits[index(x, y)] >> (7 - x % 8)) & 1; }
    void set(int x, int y) { bits[index(x, y)] |= static_cast<uint8_t>(0x80 >> (x % 8)); }
    size_t index(int x, int y) const { return static_cast<size_t>(y) * rowBytes + x / 8; }
};

struct BmpInfo
{
    uint32_t dataOffset;
    uint32_t headerSize;
    int32_t width;
    int32_t height;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t coloursUsed;
};

BmpInfo readInfo(const uint8_t *bmp)
{
    return {get32(bmp + 10),
            get32(bmp + 14),
            static_cast<int32_t>(get32(bmp + 18)),
            static_cast<int32_t>(get32(bmp + 22)),
            get16(bmp + 28),
            get32(bmp + 30),
            get32(bmp + 46)};
}

int checkInfo(const BmpInfo &info, size_t size)
{
    if (info.bitCount != 1 && info.bitCount != 24)
        return kBmpUnsupportedFormat;
    if (info.compression != 0)
        return kBmpUnsupportedFormat;
    if (info.headerSize < kInfoHeaderSize || info.width <= 0 || info.height <= 0 ||
        info.width > kBmpMaxDimension || info.height > kBmpMaxDimension)
        return kBmpCannotRead;
    const uint64_t sourceRow = info.bitCount == 1
                                   ? rowBytesFor(info.width)
                                   : (static_cast<uint64_t>(info.width) * 3 + 3) / 4 * 4;
    if (static_cast<uint64_t>(info.dataOffset) + sourceRow * static_cast<uint64_t>(info.height) >
        size)
        return kBmpCannotRead;
    if (info.bitCount == 1 &&
        kFileHeaderSize + static_cast<uint64_t>(info.headerSize) + kColourTableSize > size)
        return kBmpCannotRead;
    return 0;
}

// BMP rows are stored bottom first; the image comes out top first.
void readOneBit(const uint8_t *bmp, const BmpInfo &info, BitImage &image)
{
    image.reset(info.width, info.height);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t *source =
            bmp + info.dataOffset + static_cast<size_t>(image.height - 1 - y) * image.rowBytes;
        std::memcpy(&image.bits[static_cast<size_t>(y) * image.rowBytes], source, image.rowBytes);
    }
}

// Every pixel darker than the threshold becomes a set bit.
void readTrueColour(const uint8_t *bmp, const BmpInfo &info, BitImage &image)
{
    image.reset(info.width, info.height);
    const size_t sourceRow = (static_cast<size_t>(info.width) * 3 + 3) / 4 * 4;
    for (int y = 0; y < image.height; ++y) {
        const uint8_t *source =
            bmp + info.dataOffset + static_cast<size_t>(image.height - 1 - y) * sourceRow;
        for (int x = 0; x < image.width; ++x) {
            const uint8_t *bgr = source + static_cast<size_t>(x) * 3;
            if ((30 * bgr[2] + 59 * bgr[1] + 11 * bgr[0]) / 100 < kLuminanceThreshold)
                image.set(x, y);
        }
    }
}

BitImage rotate(const BitImage &in, int rotation)
{
    if (rotation < 1 || rotation > 3)
        return in;
    BitImage out;
    const bool quarter = rotation != 2;
    out.reset(quarter ? in.height : in.width, quarter ? in.width : in.height);
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < in.width; ++x) {
            if (!in.get(x, y))
                continue;
            if (rotation == 1)
                out.set(in.height - 1 - y, x);
            else if (rotation == 2)
                out.set(in.width - 1 - x, in.height - 1 - y);
            else
                out.set(y, in.width - 1 - x);
        }
    }
    return out;
}

} // namespace

int convertBmpBytesToPcx(const uint8_t *bmp, size_t size, int rotation, std::vector<uint8_t> &pcx)
{
    pcx.clear();
    if (bmp == nullptr || size < kFileHeaderSize + kInfoHeaderSize)
        return kBmpCannotRead;
    const BmpInfo info = readInfo(bmp);
    if (const int code = checkInfo(info, size))
        return code;

    BitImage image;
    // The colour table follows the information header, whatever that header's size.
    const uint8_t *table = info.bitCount == 1 ? bmp + kFileHeaderSize + info.headerSize : nullptr;
    if (table != nullptr)
        readOneBit(bmp, info, image);
    else
        readTrueColour(bmp, info, image);
    image = rotate(image, rotation);

    // The printer's PCX prints clear bits: a 1-bit source whose first colour is white has
    // its paper in the clear bits, and a converted true-colour source has its ink in the
    // set bits; both are inverted.
    const bool firstWhite =
        table != nullptr && table[0] == 0xFF && table[1] == 0xFF && table[2] == 0xFF;
    if (firstWhite || table == nullptr) {
        for (uint8_t &byte : image.bits)
            byte = static_cast<uint8_t>(~byte);
    }

    uint8_t palette[2 * 3] = {};
    const int entries =
        table == nullptr ? 0 : static_cast<int>(info.coloursUsed < 2 ? info.coloursUsed : 2);
    for (int i = 0; i < entries; ++i) {
        const uint8_t *bgrx = table + 4 * (entries - 1 - i); // last entry first
        palette[3 * i] = bgrx[2];
        palette[3 * i + 1] = bgrx[1];
        palette[3 * i + 2] = bgrx[0];
    }
    PcxHeaderFields fields;
    fields.version = kPcxVersionBmpConversion;
    fields.width = image.width;
    fields.height = image.height;
    fields.bytesPerLine = image.rowBytes;
    fields.paletteRgb = palette;
    fields.paletteEntries = entries;
    pcx.resize(kPcxHeaderSize);
    makePcxHeader(pcx.data(), fields);
    encodeBmpPcx(image.bits.data(), image.rowBytes, image.height, pcx);
    return 0;
}

int convertBmpToPcx(const char *bmpPath, int rotation)
{
    std::FILE *in = bmpPath != nullptr ? std::fopen(bmpPath, "rb") : nullptr;
    if (in == nullptr)
        return kBmpCannotRead;
    std::vector<uint8_t> bmp;
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0 && bmp.size() <= kBmpMaxFileSize)
        bmp.insert(bmp.end(), chunk, chunk + got);
    const bool readError = std::ferror(in) != 0;
    std::fclose(in);
    if (readError || bmp.size() > kBmpMaxFileSize)
        return kBmpCannotRead;

    std::vector<uint8_t> pcx;
    if (const int code = convertBmpBytesToPcx(bmp.data(), bmp.size(), rotation, pcx))
        return code;
    const std::string pcxPath = std::string(bmpPath) + ".pcx";
    std::FILE *out = korvalCreateOutputFile(pcxPath);
    if (out == nullptr)
        return kBmpPcxWriteFailed;
    const bool written = std::fwrite(pcx.data(), 1, pcx.size(), out) == pcx.size();
    if (std::fclose(out) != 0 || !written) {
        std::remove(pcxPath.c_str());
        return kBmpPcxWriteFailed;
    }
    return 0;
}
