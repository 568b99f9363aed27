#include "KorvalBmp.h"
#include "KorvalPcx.h"
#include "KorvalTestTools.h"
#include "PcxImage.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes rowEncoded(const Bytes &row)
{
    Bytes out(2 * row.size() + 2);
    const int n = encodePcxRow(row.data(), static_cast<int>(row.size()), out.data(),
                               static_cast<int>(out.size()));
    out.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return out;
}

Bytes bmpEncoded(const Bytes &image, int rowLength)
{
    Bytes out;
    encodeBmpPcx(image.data(), rowLength, static_cast<int>(image.size()) / rowLength, out);
    return out;
}

Bytes repeat(uint8_t value, size_t count)
{
    return Bytes(count, value);
}

void put32(Bytes &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void put16(Bytes &b, size_t at, uint16_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A BMP with a 40-byte information header. rowsTopFirst holds the image rows as they are
// seen (they are stored bottom first); a 1-bit file gets the two colours given.
Bytes makeBmp(int width, int height, int bits, const std::vector<Bytes> &rowsTopFirst,
              uint32_t colour0 = 0x000000, uint32_t colour1 = 0xFFFFFF, uint32_t coloursUsed = 2)
{
    const size_t table = bits == 1 ? 8 : 0;
    const size_t rowSize = bits == 1 ? (width + 31) / 32 * 4 : (width * 3 + 3) / 4 * 4;
    const size_t offset = 54 + table;
    Bytes b(offset + rowSize * height, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<uint32_t>(b.size()));
    put32(b, 10, static_cast<uint32_t>(offset));
    put32(b, 14, 40);
    put32(b, 18, static_cast<uint32_t>(width));
    put32(b, 22, static_cast<uint32_t>(height));
    put16(b, 26, 1);
    put16(b, 28, static_cast<uint16_t>(bits));
    put32(b, 46, bits == 1 ? coloursUsed : 0);
    if (bits == 1) {
        put32(b, 54, colour0); // stored blue, green, red, 0
        put32(b, 58, colour1);
    }
    for (int y = 0; y < height; ++y) {
        const Bytes &row = rowsTopFirst[y];
        std::memcpy(&b[offset + rowSize * (height - 1 - y)], row.data(),
                    std::min(row.size(), rowSize));
    }
    return b;
}

PcxImage decoded(const Bytes &pcx)
{
    PcxImage image;
    std::string error;
    EXPECT_TRUE(decodePcx(pcx.data(), pcx.size(), image, error)) << error;
    keepPcxForReaderCheck(pcx);
    return image;
}

} // namespace

TEST(PcxEncoding, TextRendererRows)
{
    EXPECT_EQ(rowEncoded(repeat(0xFF, 14)), (Bytes{0xCE, 0xFF}));
    EXPECT_EQ(rowEncoded({0x00, 0x41, 0x00}), (Bytes{0x00, 0xC1, 0x41, 0x00}));
    EXPECT_EQ(rowEncoded({0x3F, 0x40}), (Bytes{0x3F, 0xC1, 0x40}));
    // A run of 64 is 63 and one single byte, escaped when above 63.
    EXPECT_EQ(rowEncoded(repeat(0xAA, 64)), (Bytes{0xFF, 0xAA, 0xC1, 0xAA}));
    EXPECT_EQ(rowEncoded(repeat(0x05, 64)), (Bytes{0xFF, 0x05, 0x05}));
    EXPECT_EQ(rowEncoded({0xFF, 0x00, 0x00}), (Bytes{0xC1, 0xFF, 0xC2, 0x00}));

    // Alternating bytes above 63 double in size: 600 of them do not fit 1024 bytes.
    Bytes alternating;
    for (int i = 0; i < 600; ++i)
        alternating.push_back(i % 2 ? 0x80 : 0x81);
    uint8_t out[kPcxEncodedRowCapacity];
    EXPECT_EQ(encodePcxRow(alternating.data(), 600, out, sizeof out), -1);
    EXPECT_EQ(encodePcxRow(alternating.data(), 512, out, sizeof out), 1024);
}

TEST(PcxEncoding, BmpConversionRows)
{
    EXPECT_EQ(bmpEncoded({0x00, 0x41, 0x00}, 3), (Bytes{0x00, 0x41, 0x00}));
    EXPECT_EQ(bmpEncoded(repeat(0x07, 100), 100), (Bytes{0xFF, 0x07, 0xE5, 0x07}));
    EXPECT_EQ(bmpEncoded({0xC0, 0xBF}, 2), (Bytes{0xC1, 0xC0, 0xBF}));
    // Runs stop at the end of each row; the last byte is written too.
    EXPECT_EQ(bmpEncoded({0xAA, 0xAA, 0xAA, 0xAA, 0x01, 0x02}, 2),
              (Bytes{0xC2, 0xAA, 0xC2, 0xAA, 0x01, 0x02}));
}

TEST(PcxEncoding, HeaderFields)
{
    const uint8_t palette[6] = {1, 2, 3, 4, 5, 6};
    PcxHeaderFields fields;
    fields.version = kPcxVersionBmpConversion;
    fields.width = 300;
    fields.height = 20;
    fields.bytesPerLine = 40;
    fields.paletteRgb = palette;
    fields.paletteEntries = 2;
    uint8_t header[kPcxHeaderSize];
    makePcxHeader(header, fields);
    Bytes expected(kPcxHeaderSize, 0);
    expected[0] = 10;
    expected[1] = 2;
    expected[2] = 1;
    expected[3] = 1;
    expected[8] = 0x2B; // 299
    expected[9] = 0x01;
    expected[10] = 19;
    std::memcpy(&expected[16], palette, 6);
    expected[65] = 1;
    expected[66] = 40;
    expected[68] = 1;
    EXPECT_EQ(Bytes(header, header + kPcxHeaderSize), expected);
}

TEST(PcxEncoding, TextBitmapFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("line.pcx");
    Bytes bits(14 * 32, 0xFF);
    bits[0] = 0x7F; // one ink dot at the top left
    ASSERT_EQ(writeBitmapPcxFile(path.toLocal8Bit().constData(), bits.data(), 112, 32), 0);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    const Bytes pcx(data.begin(), data.end());
    ASSERT_GE(pcx.size(), 128u);
    EXPECT_EQ(pcx[1], 5);
    EXPECT_EQ(pcx[66] | pcx[67] << 8, 14);
    // First row: 0x7F stays a single byte, then a run of 13 0xFF; then 31 rows of CE FF.
    EXPECT_EQ(Bytes(pcx.begin() + 128, pcx.begin() + 132), (Bytes{0xC1, 0x7F, 0xCD, 0xFF}));
    EXPECT_EQ(pcx.size(), 128u + 4u + 31u * 2u);
    const PcxImage image = decoded(pcx);
    EXPECT_EQ(image.width, 112);
    EXPECT_EQ(image.height, 32);
    EXPECT_TRUE(image.isInk(0, 0));
    EXPECT_FALSE(image.isInk(1, 0));

    // Rows that encode beyond 1024 bytes end the file, which is then removed.
    const QString wide = dir.filePath("wide.pcx");
    Bytes stripes(8 * 1024 / 8 * 2, 0);
    for (size_t i = 0; i < stripes.size(); ++i)
        stripes[i] = i % 2 ? 0x80 : 0x81;
    EXPECT_EQ(writeBitmapPcxFile(wide.toLocal8Bit().constData(), stripes.data(), 8 * 1024, 2),
              kPcxRowTooLong);
    EXPECT_FALSE(QFile::exists(wide));
    EXPECT_EQ(writeBitmapPcxFile("/nonexistent-dir/x.pcx", bits.data(), 112, 32),
              kPcxFileCreateFailed);
}

TEST(BmpConversion, OneBitRotations)
{
    // 20 x 10, one black dot at the top-left corner (clear bit with black as colour 0).
    std::vector<Bytes> rows(10, Bytes{0xFF, 0xFF, 0xFF, 0xFF});
    rows[0][0] = 0x7F;
    const Bytes bmp = makeBmp(20, 10, 1, rows);
    struct Case
    {
        int rotation;
        int width, height, bytesPerLine;
        int inkX, inkY;
    };
    const Case cases[] = {{0, 20, 10, 4, 0, 0},
                          {1, 10, 20, 4, 9, 0},
                          {2, 20, 10, 4, 19, 9},
                          {3, 10, 20, 4, 0, 19},
                          {7, 20, 10, 4, 0, 0}};
    for (const Case &c : cases) {
        Bytes pcx;
        ASSERT_EQ(convertBmpBytesToPcx(bmp.data(), bmp.size(), c.rotation, pcx), 0);
        EXPECT_EQ(pcx[1], 2);
        const PcxImage image = decoded(pcx);
        EXPECT_EQ(image.width, c.width) << c.rotation;
        EXPECT_EQ(image.height, c.height) << c.rotation;
        EXPECT_EQ(image.bytesPerLine, c.bytesPerLine) << c.rotation;
        int inkDots = 0;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x)
                inkDots += image.isInk(x, y);
        }
        EXPECT_EQ(inkDots, 1) << c.rotation;
        EXPECT_TRUE(image.isInk(c.inkX, c.inkY)) << c.rotation;
    }
}

TEST(BmpConversion, WhiteFirstColourInvertsAndPaletteIsReversed)
{
    // Colour 0 white, colour 1 black: the set bits are the ink, so the image is inverted.
    std::vector<Bytes> rows(2, Bytes{0x00, 0x00, 0x00, 0x00});
    rows[1][0] = 0x80; // bottom-left dot black
    const Bytes bmp = makeBmp(8, 2, 1, rows, 0xFFFFFF, 0x102030);
    Bytes pcx;
    ASSERT_EQ(convertBmpBytesToPcx(bmp.data(), bmp.size(), 0, pcx), 0);
    const PcxImage image = decoded(pcx);
    EXPECT_TRUE(image.isInk(0, 1));
    EXPECT_FALSE(image.isInk(0, 0));
    EXPECT_FALSE(image.isInk(1, 1));
    // Palette: last entry first, red green blue.
    EXPECT_EQ(Bytes(pcx.begin() + 16, pcx.begin() + 22),
              (Bytes{0x10, 0x20, 0x30, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Bytes(pcx.begin() + 22, pcx.begin() + 64), Bytes(42, 0));

    // Colours-used 0 writes no palette; an impossible count writes at most both entries.
    const Bytes none = makeBmp(8, 2, 1, rows, 0xFFFFFF, 0x102030, 0);
    ASSERT_EQ(convertBmpBytesToPcx(none.data(), none.size(), 0, pcx), 0);
    EXPECT_EQ(Bytes(pcx.begin() + 16, pcx.begin() + 64), Bytes(48, 0));
    const Bytes many = makeBmp(8, 2, 1, rows, 0xFFFFFF, 0x102030, 1000000);
    ASSERT_EQ(convertBmpBytesToPcx(many.data(), many.size(), 0, pcx), 0);
    EXPECT_EQ(Bytes(pcx.begin() + 22, pcx.begin() + 64), Bytes(42, 0));
}

TEST(BmpConversion, TrueColourThreshold)
{
    // Red (luminance 76) and dark grey print; white and mid grey (128) stay paper.
    std::vector<Bytes> rows{
        {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0x80, 0x80, 0x7F, 0x7F, 0x7F}};
    const Bytes bmp = makeBmp(4, 1, 24, rows);
    Bytes pcx;
    ASSERT_EQ(convertBmpBytesToPcx(bmp.data(), bmp.size(), 0, pcx), 0);
    const PcxImage image = decoded(pcx);
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.bytesPerLine, 4);
    EXPECT_TRUE(image.isInk(0, 0));
    EXPECT_FALSE(image.isInk(1, 0));
    EXPECT_FALSE(image.isInk(2, 0));
    EXPECT_TRUE(image.isInk(3, 0));
}

TEST(BmpConversion, RunOfOneHundredBytes)
{
    // 800 black pixels make 100 zero bytes per row (black is colour 0, not inverted).
    const Bytes bmp = makeBmp(800, 1, 1, {Bytes(100, 0x00)});
    Bytes pcx;
    ASSERT_EQ(convertBmpBytesToPcx(bmp.data(), bmp.size(), 0, pcx), 0);
    EXPECT_EQ(Bytes(pcx.begin() + 128, pcx.end()), (Bytes{0xFF, 0x00, 0xE5, 0x00}));
    keepPcxForReaderCheck(pcx);
}

TEST(BmpConversion, FilesBesideTheBmp)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.bmp");
    const Bytes bmp = makeBmp(20, 10, 1, std::vector<Bytes>(10, Bytes(4, 0xFF)));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char *>(bmp.data()), static_cast<qint64>(bmp.size()));
    file.close();
    ASSERT_EQ(convertBmpToPcx(path.toLocal8Bit().constData(), 1), 0);
    QFile pcx(path + ".pcx");
    ASSERT_TRUE(pcx.open(QIODevice::ReadOnly));
    Bytes expected;
    ASSERT_EQ(convertBmpBytesToPcx(bmp.data(), bmp.size(), 1, expected), 0);
    const QByteArray written = pcx.readAll();
    EXPECT_EQ(Bytes(written.begin(), written.end()), expected);
    keepPcxForReaderCheck(expected);
    EXPECT_EQ(convertBmpToPcx(dir.filePath("missing.bmp").toLocal8Bit().constData(), 0),
              kBmpCannotRead);
}

// Malformed files are refused with the conversion's codes. The buffers are exactly the
// file's size, so an over-read shows under AddressSanitizer.
TEST(BmpConversion, HostileFilesAreRejected)
{
    const Bytes good = makeBmp(20, 10, 1, std::vector<Bytes>(10, Bytes(4, 0x55)));
    const Bytes goodTrue = makeBmp(5, 3, 24, std::vector<Bytes>(3, Bytes(16, 0x40)));
    Bytes pcx;
    for (const Bytes *source : {&good, &goodTrue}) {
        for (size_t cut = 0; cut < source->size(); ++cut) {
            const Bytes truncated(source->begin(), source->begin() + cut);
            EXPECT_EQ(convertBmpBytesToPcx(truncated.data(), truncated.size(), 1, pcx),
                      kBmpCannotRead)
                << "cut at " << cut;
        }
    }
    struct Case
    {
        const char *what;
        size_t at;
        uint32_t value;
        bool wide; // 32-bit field, else 16-bit
        int code;
    };
    const Case cases[] = {
        {"zero width", 18, 0, true, kBmpCannotRead},
        {"zero height", 22, 0, true, kBmpCannotRead},
        {"negative width", 18, 0xFFFFFFEC, true, kBmpCannotRead},
        {"negative (top-down) height", 22, 0xFFFFFFF6, true, kBmpCannotRead},
        {"huge width", 18, 0x7FFFFFFF, true, kBmpCannotRead},
        {"huge height", 22, 0x40000000, true, kBmpCannotRead},
        {"width beyond 16 bits", 18, 70000, true, kBmpCannotRead},
        {"data offset past the end", 10, 1000, true, kBmpCannotRead},
        {"data offset that wraps", 10, 0xFFFFFFF0, true, kBmpCannotRead},
        {"header size that wraps", 14, 0xFFFFFFF0, true, kBmpCannotRead},
        {"header size too small", 14, 12, true, kBmpCannotRead},
        {"8 bits per pixel", 28, 8, false, kBmpUnsupportedFormat},
        {"32 bits per pixel", 28, 32, false, kBmpUnsupportedFormat},
        {"run-length compressed", 30, 1, true, kBmpUnsupportedFormat},
    };
    for (const Case &c : cases) {
        Bytes bad = good;
        if (c.wide)
            put32(bad, c.at, c.value);
        else
            put16(bad, c.at, static_cast<uint16_t>(c.value));
        EXPECT_EQ(convertBmpBytesToPcx(bad.data(), bad.size(), 1, pcx), c.code) << c.what;
    }
    EXPECT_EQ(convertBmpBytesToPcx(nullptr, 0, 0, pcx), kBmpCannotRead);
}
