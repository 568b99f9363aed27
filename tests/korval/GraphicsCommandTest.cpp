// The graphics exports: exact spool bytes, codes, chunked data and temporary files.
#include "KorvalBmp.h"
#include "KorvalGraphics.h"
#include "KorvalState.h"
#include "KorvalTestSupport.h"
#include "KorvalTestTools.h"
#include "PcxImage.h"
#include "korval.h"

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace {

class GraphicsCommandTest : public KorvalOutputTest
{
protected:
    // Makes every further write to the spool file come up short.
    void fillDisk()
    {
        korvalCloseSpoolFile();
        ASSERT_EQ(unlink(spoolPath().c_str()), 0);
        // The full device's own node in place of the spool file: the library refuses to
        // write through a link to it.
        ASSERT_EQ(mknod(spoolPath().c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
        korvalState().spoolFd = -1;
        ASSERT_EQ(OBX_ClearBuffer(), -2002);
    }
};

std::string pattern(size_t size)
{
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>((i * 131 + i / 997) & 0xFF);
    return data;
}

// A 1-bit BMP of 20 x 10 with one black dot at the top left (black is colour 0).
std::string smallBmp()
{
    std::string b(62 + 40, '\0');
    auto put32 = [&b](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<char>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<uint32_t>(b.size()));
    put32(10, 62);
    put32(14, 40);
    put32(18, 20);
    put32(22, 10);
    b[26] = 1;
    b[28] = 1;
    put32(46, 2);
    put32(58, 0xFFFFFF);
    for (int row = 0; row < 10; ++row)
        put32(62 + 4 * row, row == 9 ? 0xFFFFFF7F : 0xFFFFFFFF);
    return b;
}

} // namespace

TEST_F(GraphicsCommandTest, NamedCommandsAndTheirChecks)
{
    const std::string seventeen(17, 'n');
    struct Case
    {
        const char *what;
        std::function<int()> call;
        int result;
        std::string text;
    };
    const Case cases[] = {
        {"PCX list", [] { return OBX_PcxGraphicsList(); }, 0, "GI\r\n"},
        {"PCX delete", [] { return OBX_PcxGraphicsDel("LOGO"); }, 0, "GK\"LOGO\"\r\n"},
        {"PCX delete, no name", [] { return OBX_PcxGraphicsDel(""); }, -2049, ""},
        {"PCX delete, 17 bytes", [&] { return OBX_PcxGraphicsDel(seventeen.c_str()); }, -2049, ""},
        {"PCX draw", [] { return OBX_DrawPcxGraphics(12, 34, "LOGO"); }, 0, "GG12,34,\"LOGO\"\r\n"},
        {"PCX draw, null name", [] { return OBX_DrawPcxGraphics(1, 2, nullptr); }, -2058, ""},
        {"raw list", [] { return OBX_BinGraphicsList(); }, 0, "BI\r\n"},
        {"raw delete", [] { return OBX_BinGraphicsDel("QR1"); }, 0, "BK\"QR1\"\r\n"},
        {"raw delete, 17 bytes", [&] { return OBX_BinGraphicsDel(seventeen.c_str()); }, -2070, ""},
        {"raw recall", [] { return OBX_RecallBinGraphics(71, 211, "QR1"); }, 0,
         "GC71,211,\"QR1\"\r\n"},
        {"raw recall, no name", [] { return OBX_RecallBinGraphics(1, 2, ""); }, -2076, ""},
        {"PCX download, bad name", [] { return OBX_PcxGraphicsDownload("", "x.pcx"); }, -2054, ""},
        {"PCX download, no file", [] { return OBX_PcxGraphicsDownload("A", "missing.pcx"); }, -2053,
         ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        korvalState().lastError = 0;
        EXPECT_EQ(c.call(), c.result);
        EXPECT_EQ(OBX_GetErrState(), c.result);
        EXPECT_EQ(writtenSince(), c.text);
    }
}

TEST_F(GraphicsCommandTest, RawBitmapsFollowTheirHeaders)
{
    const unsigned char data[6] = {0x80, 0x01, 0xFF, 0x0D, 0x0A, 0x22};
    EXPECT_EQ(OBX_BinGraphicsDownload("QR1", 3, 2, data), 0);
    EXPECT_EQ(writtenSince(),
              std::string("GD\"QR1\"3,2,") + std::string(reinterpret_cast<const char *>(data), 6));
    EXPECT_EQ(OBX_DrawBinGraphics(10, 20, 3, 2, data), 0);
    EXPECT_EQ(writtenSince(),
              std::string("GW10,20,3,2") + std::string(reinterpret_cast<const char *>(data), 6));

    // More than one buffer's worth goes in whole and in order.
    const std::string big = pattern(2 * 1024000 + 777);
    EXPECT_EQ(OBX_BinGraphicsDownload("BIG", 1000, 2048,
                                      reinterpret_cast<const unsigned char *>(big.data())),
              0);
    EXPECT_EQ(writtenSince(), "GD\"BIG\"1000,2048," + big.substr(0, 2048000));
}

TEST_F(GraphicsCommandTest, PcxFilesAreDownloadedWholeAndInOrder)
{
    const std::string small = "\x0A\x05\x01\x01 tiny";
    writeWholeFile(work.file("small.pcx"), small);
    EXPECT_EQ(OBX_PcxGraphicsDownload("SMALL", work.file("small.pcx").c_str()), 0);
    EXPECT_EQ(writtenSince(), "GM\"SMALL\"9\r\n" + small);

    // 2.5 MB: three pieces of at most 1,024,000 bytes, byte for byte.
    const std::string big = pattern(2500000);
    writeWholeFile(work.file("big.pcx"), big);
    EXPECT_EQ(OBX_PcxGraphicsDownload("BIG", work.file("big.pcx").c_str()), 0);
    EXPECT_EQ(writtenSince(), "GM\"BIG\"2500000\r\n" + big);

    writeWholeFile(work.file("empty.pcx"), "");
    EXPECT_EQ(OBX_PcxGraphicsDownload("EMPTY", work.file("empty.pcx").c_str()), 0);
    EXPECT_EQ(writtenSince(), "GM\"EMPTY\"0\r\n");
}

TEST_F(GraphicsCommandTest, PrintPcxNamesTheGraphicByThePathsTail)
{
    const std::string pcx = "PCXDATA";
    const std::string path = work.file("labels/company-logo.pcx");
    ASSERT_EQ(mkdir(work.file("labels").c_str(), 0700), 0);
    writeWholeFile(path, pcx);
    const std::string name = path.substr(path.size() - 15); // "company-logo.pcx" minus 'c'
    EXPECT_EQ(OBX_PrintPCX(5, 6, path.c_str()), 0);
    EXPECT_EQ(writtenSince(),
              "GK\"" + name + "\"\r\nGM\"" + name + "\"7\r\n" + pcx + "GG5,6,\"" + name + "\"\r\n");

    // A path of 15 bytes is its own name; a missing file fails the download.
    ASSERT_EQ(chdir(work.file("labels").c_str()), 0);
    EXPECT_EQ(OBX_PrintPCX(7, 8, "company-logo.pc"), -2060);
    EXPECT_EQ(OBX_GetErrState(), -2060);
    EXPECT_EQ(writtenSince(), "GK\"company-logo.pc\"\r\n");
    EXPECT_EQ(OBX_PrintPCX(7, 8, "company-logo.pcx"), 0);
    EXPECT_EQ(writtenSince(), "GK\"ompany-logo.pcx\"\r\nGM\"ompany-logo.pcx\"7\r\n" + pcx +
                                  "GG7,8,\"ompany-logo.pcx\"\r\n");
    ASSERT_EQ(chdir(work.path().c_str()), 0);
}

TEST_F(GraphicsCommandTest, BmpIsConvertedBesideItselfAndDownloaded)
{
    const std::string bmpPath = work.file("a.bmp");
    writeWholeFile(bmpPath, smallBmp());
    EXPECT_EQ(OBX_BmpGraphicsDownload("SHAPE", bmpPath.c_str(), 1), 0);
    const std::string pcx = readWholeFile(bmpPath + ".pcx");
    ASSERT_GT(pcx.size(), 128u);
    EXPECT_EQ(writtenSince(), "GM\"SHAPE\"" + std::to_string(pcx.size()) + "\r\n" + pcx);
    PcxImage image;
    std::string error;
    ASSERT_TRUE(decodePcx(reinterpret_cast<const uint8_t *>(pcx.data()), pcx.size(), image, error));
    keepPcxForReaderCheck(pcx);
    EXPECT_EQ(image.width, 10);
    EXPECT_EQ(image.height, 20);
    EXPECT_EQ(image.bytesPerLine, 4);
    EXPECT_TRUE(image.isInk(9, 0)); // the top-left dot, turned clockwise

    // Conversion failures write nothing; a stale ".pcx" is not sent in their place.
    writeWholeFile(bmpPath, smallBmp().substr(0, 80));
    EXPECT_EQ(OBX_BmpGraphicsDownload("SHAPE", bmpPath.c_str(), 0), kBmpCannotRead);
    EXPECT_EQ(OBX_GetErrState(), kBmpCannotRead);
    std::string eightBit = smallBmp();
    eightBit[28] = 8;
    writeWholeFile(bmpPath, eightBit);
    EXPECT_EQ(OBX_BmpGraphicsDownload("SHAPE", bmpPath.c_str(), 0), kBmpUnsupportedFormat);
    EXPECT_EQ(OBX_BmpGraphicsDownload("SHAPE", work.file("none.bmp").c_str(), 0), kBmpCannotRead);
    EXPECT_EQ(writtenSince(), "");

    // The name is checked after the conversion: the ".pcx" is made, nothing is sent.
    writeWholeFile(bmpPath, smallBmp());
    EXPECT_EQ(OBX_BmpGraphicsDownload("", bmpPath.c_str(), 2), -2065);
    EXPECT_TRUE(fileExists(bmpPath + ".pcx"));
    EXPECT_EQ(writtenSince(), "");
}

TEST_F(GraphicsCommandTest, TextBitmapGoesThroughATemporaryPcx)
{
    std::vector<unsigned char> bits(14 * 32, 0xFF);
    bits[0] = 0x7F;
    EXPECT_EQ(downloadBitmapAsPcx(bits.data(), 112, 32, 1, "ModelStr"), 0);
    const std::string written = writtenSince();
    const std::string gm = "GK\"ModelStr\"\r\nGM\"ModelStr\"194\r\n";
    ASSERT_EQ(written.substr(0, gm.size()), gm);
    const std::string pcx = written.substr(gm.size());
    ASSERT_EQ(pcx.size(), 194u); // header, C1 7F CD FF, then 31 rows of CE FF
    EXPECT_EQ(pcx[1], 5);
    EXPECT_EQ(pcx[66], 14);
    EXPECT_EQ(pcx.substr(128, 4), "\xC1\x7F\xCD\xFF");
    keepPcxForReaderCheck(pcx);
    EXPECT_FALSE(fileExists(work.file("ombrix.pcx")));

    // A row too long to encode: nothing is written, no file is left.
    std::vector<unsigned char> stripes(2048, 0x81);
    for (size_t i = 1; i < stripes.size(); i += 2)
        stripes[i] = 0x80;
    EXPECT_EQ(downloadBitmapAsPcx(stripes.data(), 8192, 2, 1, "WIDE"), -2025);
    EXPECT_EQ(OBX_GetErrState(), -2025);
    EXPECT_EQ(downloadBitmapAsPcx(bits.data(), 112, 32, 8, "DEEP"), -2022);
    EXPECT_EQ(writtenSince(), "");
    EXPECT_FALSE(fileExists(work.file("ombrix.pcx")));

    // A bad name fails the download; the temporary file goes all the same.
    EXPECT_EQ(downloadBitmapAsPcx(bits.data(), 112, 32, 1, ""), -2054);
    EXPECT_FALSE(fileExists(work.file("ombrix.pcx")));
}

TEST_F(GraphicsCommandTest, ShortWritesGiveEachExportsOwnCode)
{
    writeWholeFile(work.file("logo.pcx"), "PCX");
    writeWholeFile(work.file("a.bmp"), smallBmp());
    std::vector<unsigned char> bits(14 * 32, 0xFF);
    fillDisk();
    const unsigned char data[4] = {1, 2, 3, 4};
    EXPECT_EQ(OBX_PcxGraphicsList(), -2047);
    EXPECT_EQ(OBX_PcxGraphicsDel("A"), -2050);
    EXPECT_EQ(OBX_PcxGraphicsDownload("A", work.file("logo.pcx").c_str()), -2055);
    EXPECT_EQ(OBX_DrawPcxGraphics(1, 2, "A"), -2059);
    EXPECT_EQ(OBX_PrintPCX(1, 2, work.file("logo.pcx").c_str()), -2060);
    EXPECT_EQ(OBX_BmpGraphicsDownload("A", work.file("a.bmp").c_str(), 0), -2066);
    EXPECT_EQ(OBX_BinGraphicsList(), -2068);
    EXPECT_EQ(OBX_BinGraphicsDel("A"), -2071);
    EXPECT_EQ(OBX_BinGraphicsDownload("A", 2, 2, data), -2072) << "no data after a failed header";
    EXPECT_EQ(OBX_BinGraphicsDownload("A", 0, 0, data), -2072) << "no data: the header's code";
    EXPECT_EQ(OBX_RecallBinGraphics(1, 2, "A"), -2075);
    EXPECT_EQ(OBX_DrawBinGraphics(1, 2, 2, 2, data), -2077);
    EXPECT_EQ(OBX_DrawBinGraphics(1, 2, 0, 2, data), -2077);
    EXPECT_EQ(downloadBitmapAsPcx(bits.data(), 112, 32, 1, "T"), -2055);
    EXPECT_FALSE(fileExists(work.file("ombrix.pcx")));
    EXPECT_EQ(OBX_DrawTextTrueTypeW(10, 10, 20, 0, "Arial", 1, 400, 0, 0, 0, "T", "text"), -2055);
    EXPECT_EQ(OBX_DrawBar2D_QREx(10, 10, 0, 2, 1, 0, 8, "Q", "QR"), -2071);
}

// Sizes no glyph can have fail with the text's own code instead of overflowing or drawing
// at some other size; the writes of the library's PCX files never follow a link.
TEST_F(GraphicsCommandTest, HostileTextSizesAndLinkedFiles)
{
    for (const int size : {INT_MAX, INT_MIN, 65536, -65536}) {
        SCOPED_TRACE(size);
        EXPECT_EQ(OBX_DrawTextTrueTypeW(10, 10, size, 0, "Arial", 1, 400, 0, 0, 0, "T", "x"),
                  KORVAL_ERR_TEXT_TOO_LARGE);
        EXPECT_EQ(OBX_DrawTextTrueTypeW(10, 10, 20, size, "Arial", 1, 400, 0, 0, 0, "T", "x"),
                  KORVAL_ERR_TEXT_TOO_LARGE);
        EXPECT_EQ(writtenSince(), "");
    }
    const std::string target = work.file("precious");
    writeWholeFile(target, "keep me");
    ASSERT_EQ(symlink(target.c_str(), work.file("ombrix.pcx").c_str()), 0);
    EXPECT_EQ(OBX_DrawTextTrueTypeW(10, 10, 20, 0, "Arial", 1, 400, 0, 0, 0, "T", "x"),
              KORVAL_ERR_PCX_CREATE);
    writeWholeFile(work.file("a.bmp"), smallBmp());
    ASSERT_EQ(symlink(target.c_str(), work.file("a.bmp.pcx").c_str()), 0);
    EXPECT_NE(OBX_BmpGraphicsDownload("SHAPE", work.file("a.bmp").c_str(), 0), 0);
    EXPECT_EQ(readWholeFile(target), "keep me");
    EXPECT_EQ(writtenSince(), "");
}

TEST(GraphicsWithoutOutput, EveryExportGivesItsNoOutputCode)
{
    korvalResetForTesting();
    const unsigned char data[1] = {0};
    unsigned char bits[2] = {0xFF, 0xFF};
    EXPECT_EQ(OBX_PcxGraphicsList(), -3021);
    EXPECT_EQ(OBX_PcxGraphicsDel("A"), -3022);
    EXPECT_EQ(OBX_PcxGraphicsDownload("A", "a.pcx"), -3023);
    EXPECT_EQ(OBX_DrawPcxGraphics(1, 2, "A"), -3024);
    EXPECT_EQ(OBX_PrintPCX(1, 2, "a.pcx"), -3025);
    EXPECT_EQ(OBX_BmpGraphicsDownload("A", "a.bmp", 0), -3026);
    EXPECT_EQ(OBX_BinGraphicsList(), -3027);
    EXPECT_EQ(OBX_BinGraphicsDel("A"), -3028);
    EXPECT_EQ(OBX_BinGraphicsDownload("A", 1, 1, data), -3029);
    EXPECT_EQ(OBX_RecallBinGraphics(1, 2, "A"), -3030);
    EXPECT_EQ(OBX_DrawBinGraphics(1, 2, 1, 1, data), -3031);
    EXPECT_EQ(OBX_DrawTextTrueTypeW(1, 2, 20, 0, "Arial", 1, 400, 0, 0, 0, "T", "x"), -3012);
    EXPECT_EQ(OBX_DrawBar2D_QREx(1, 2, 0, 1, 1, 0, 8, "Q", "x"), -3017);
    EXPECT_EQ(downloadBitmapAsPcx(bits, 16, 1, 1, "A"), -3071);
    EXPECT_EQ(OBX_GetErrState(), -3071);
}
