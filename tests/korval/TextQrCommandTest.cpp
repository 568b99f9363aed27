// OBX_DrawTextTrueTypeW and OBX_DrawBar2D_QREx as they appear in the spool file.
#include "KorvalQr.h"
#include "KorvalQrBitmap.h"
#include "KorvalTestSupport.h"
#include "KorvalTestTools.h"
#include "KorvalTrueType.h"
#include "PcxImage.h"
#include "korval.h"

#include <memory>
#include <string>

namespace {

// One stored-text graphic as written: GK, GM with the PCX, GG (when drawn).
struct TextGraphic
{
    std::string name;
    PcxImage image;
    bool drawn = false;
    int x = -1;
    int y = -1;
    std::string rest; // anything after the commands
};

TextGraphic parseTextGraphic(const std::string &written)
{
    TextGraphic g;
    const size_t gk = written.find("GK\"");
    const size_t gm = written.find("GM\"");
    if (gk != 0 || gm == std::string::npos)
        return g;
    g.name = written.substr(3, written.find('"', 3) - 3);
    const size_t sizeAt = gm + 4 + g.name.size();
    const size_t lineEnd = written.find("\r\n", sizeAt);
    const size_t size = std::stoul(written.substr(sizeAt, lineEnd - sizeAt));
    const std::string pcx = written.substr(lineEnd + 2, size);
    std::string error;
    decodePcx(reinterpret_cast<const uint8_t *>(pcx.data()), pcx.size(), g.image, error);
    keepPcxForReaderCheck(pcx);
    std::string tail = written.substr(lineEnd + 2 + size);
    if (tail.rfind("GG", 0) == 0) {
        g.drawn = true;
        std::sscanf(tail.c_str(), "GG%d,%d,", &g.x, &g.y);
        const std::string expected =
            "GG" + std::to_string(g.x) + "," + std::to_string(g.y) + ",\"" + g.name + "\"\r\n";
        g.rest = tail.substr(0, expected.size()) == expected ? tail.substr(expected.size()) : tail;
    } else {
        g.rest = tail;
    }
    return g;
}

int inkOf(const PcxImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x)
            n += image.isInk(x, y);
    }
    return n;
}

std::string packed(const char *data, int level, int mask, int rotation, int magnification)
{
    auto symbol = std::make_unique<QrSymbol>();
    EXPECT_TRUE(encodeQrSymbol(*symbol, level, 0, mask, data));
    QrBitmap bitmap;
    packQrBitmap(*symbol, rotation, magnification, bitmap);
    return std::string(bitmap.bits.begin(), bitmap.bits.end());
}

} // namespace

using TextCommandTest = KorvalOutputTest;
using QrCommandTest = KorvalOutputTest;

TEST_F(TextCommandTest, ModelLineOfTheLabel)
{
    EXPECT_EQ(
        OBX_DrawTextTrueTypeW(267, 172, 25, 0, "Arial", 1, 500, 0, 0, 0, "ModelStr", "KT4X-Q2"), 0);
    const TextGraphic g = parseTextGraphic(writtenSince());
    EXPECT_EQ(g.name, "ModelStr");
    EXPECT_TRUE(g.drawn);
    EXPECT_EQ(g.x, 267);
    EXPECT_EQ(g.y, 172);
    EXPECT_EQ(g.rest, "");
    EXPECT_EQ(g.image.version, 5);
    EXPECT_EQ(g.image.height, 32);
    EXPECT_EQ(g.image.width % 16, 0);
    EXPECT_EQ(g.image.bytesPerLine * 8, g.image.width);
    EXPECT_GT(inkOf(g.image), 100);
    EXPECT_FALSE(fileExists(work.file("ombrix.pcx")));
    EXPECT_EQ(OBX_GetErrState(), 0);
}

TEST_F(TextCommandTest, TextOf101By23MakesA112By32Graphic)
{
    // Find a text that Arial draws 101 dots wide at a 23-dot cell.
    std::string text;
    for (const char *candidate :
         {"Label 0mm", "Label 0bW", "Label 0cW", "Label 0dW", "Label 0mG"}) {
        TrueTypeLine l;
        l.height = 23;
        l.face = "Arial";
        l.text = candidate;
        RenderedLine r;
        if (renderTrueTypeLine(l, r) == 0 && r.textWidth == 101 && r.textHeight == 23) {
            text = candidate;
            break;
        }
    }
    ASSERT_FALSE(text.empty()) << "no candidate text measures 101 x 23 with this Arial";
    EXPECT_EQ(OBX_DrawTextTrueTypeW(40, 50, 23, 0, "Arial", 1, 400, 0, 0, 0, "T101", text.c_str()),
              0);
    const TextGraphic g = parseTextGraphic(writtenSince());
    EXPECT_EQ(g.image.width, 112);
    EXPECT_EQ(g.image.height, 32);
    EXPECT_EQ(g.image.bytesPerLine, 14);
    EXPECT_EQ(g.x, 40);
    EXPECT_EQ(g.y, 50);

    // Centred at x = 10, the 112-dot graphic is clipped to start at 0.
    EXPECT_EQ(OBX_DrawTextTrueTypeW(10, 50, 23, 0, "Arial", 5, 400, 0, 0, 0, "T101", text.c_str()),
              0);
    const TextGraphic centred = parseTextGraphic(writtenSince());
    EXPECT_EQ(centred.x, 0);
    EXPECT_EQ(centred.y, 50 - 16);
    EXPECT_FALSE(fileExists(work.file("ombrix.pcx")));
}

TEST_F(TextCommandTest, PlacementOfEachOrientation)
{
    const char *text = "P2P HXKT4R00A1B2";
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        TrueTypeLine l;
        l.x = 300;
        l.y = 250;
        l.height = 15;
        l.face = "Arial Narrow";
        l.orientation = orientation;
        l.weight = 700;
        l.text = text;
        RenderedLine expected;
        ASSERT_EQ(renderTrueTypeLine(l, expected), 0);
        EXPECT_EQ(OBX_DrawTextTrueTypeW(300, 250, 15, 0, "Arial Narrow", orientation, 700, 0, 0, 0,
                                        "P2PIDStr", text),
                  0);
        const TextGraphic g = parseTextGraphic(writtenSince());
        EXPECT_EQ(g.x, expected.placement.placeX);
        EXPECT_EQ(g.y, expected.placement.placeY);
        EXPECT_EQ(g.image.width, expected.placement.bitmapWidth);
        EXPECT_EQ(g.image.height, expected.placement.bitmapHeight);
        const bool quarter = orientation % 2 == 0;
        EXPECT_EQ(quarter ? g.image.height : g.image.width, (expected.textWidth + 15) / 16 * 16);
    }
    EXPECT_FALSE(fileExists(work.file("ombrix.pcx")));
}

TEST_F(TextCommandTest, FailuresLeaveNoDrawCommand)
{
    for (int orientation : {0, 9}) {
        EXPECT_EQ(OBX_DrawTextTrueTypeW(1, 2, 20, 0, "Arial", orientation, 400, 0, 0, 0, "T", "x"),
                  -2019);
        EXPECT_EQ(OBX_GetErrState(), -2019);
    }
    EXPECT_EQ(OBX_DrawTextTrueTypeW(1, 2, 30000, 0, "Arial", 1, 400, 0, 0, 0, "T", "x"), -2020);
    EXPECT_EQ(writtenSince(), "");
    // A bad graphic name fails the download; nothing is drawn and no file is left.
    EXPECT_EQ(OBX_DrawTextTrueTypeW(1, 2, 20, 0, "Arial", 1, 400, 0, 0, 0, "", "x"), -2054);
    EXPECT_EQ(writtenSince(), "");
    EXPECT_FALSE(fileExists(work.file("ombrix.pcx")));
    // A face that is not installed renders with the substitute.
    EXPECT_EQ(OBX_DrawTextTrueTypeW(1, 2, 20, 0, "Missing Face", 1, 0, 1, 1, 1, "T", "text"), 0);
    const TextGraphic g = parseTextGraphic(writtenSince());
    EXPECT_TRUE(g.drawn);
    EXPECT_GT(inkOf(g.image), 50);
}

TEST_F(QrCommandTest, SymbolIsSentAsARecalledRawGraphic)
{
    EXPECT_EQ(OBX_DrawBar2D_QREx(10, 20, 0, 0, kQrLevelM, 0, 3, "QR1", "12345678"), 0);
    const std::string v1 = packed("12345678", kQrLevelM, 3, 0, 1);
    ASSERT_EQ(v1.size(), 21u * 3u);
    EXPECT_EQ(static_cast<unsigned char>(v1[0]), 0xFE); // the finder's top edge, then light
    EXPECT_EQ(writtenSince(), "BK\"QR1\"\r\nGD\"QR1\"3,21," + v1 + "GC10,20,\"QR1\"\r\n");

    EXPECT_EQ(OBX_DrawBar2D_QREx(10, 20, 1, 4, kQrLevelM, 0, 3, "QR1", "12345678"), 0);
    const std::string turned = packed("12345678", kQrLevelM, 3, 1, 4);
    ASSERT_EQ(turned.size(), 84u * 11u);
    EXPECT_EQ(writtenSince(), "BK\"QR1\"\r\nGD\"QR1\"11,84," + turned + "GC10,20,\"QR1\"\r\n");

    // Magnifications beyond 99 mean 1.
    EXPECT_EQ(OBX_DrawBar2D_QREx(0, 0, 0, 100, kQrLevelM, 0, 3, "QR1", "12345678"), 0);
    EXPECT_EQ(writtenSince(), "BK\"QR1\"\r\nGD\"QR1\"3,21," + v1 + "GC0,0,\"QR1\"\r\n");
}

TEST_F(QrCommandTest, DataThatCannotBeEncodedWritesNothing)
{
    struct Case
    {
        const char *what;
        int level, version, mask;
        const char *data;
    };
    const Case cases[] = {
        {"mask 9", 1, 0, 9, "A"},
        {"level 4", 4, 0, 8, "A"},
        {"level -1", -1, 0, 8, "A"},
        {"version 41", 1, 41, 8, "A"},
        {"empty data", 1, 0, 8, ""},
        {"null data", 1, 0, 8, nullptr},
        {"version 1 too small", 3, 1, 8, "12345678901234567890"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(OBX_DrawBar2D_QREx(1, 2, 0, 1, c.level, c.version, c.mask, "Q", c.data), -2037);
        EXPECT_EQ(OBX_GetErrState(), -2037);
    }
    EXPECT_EQ(writtenSince(), "");
    EXPECT_EQ(OBX_DrawBar2D_QREx(1, 2, 0, 1, 1, 0, 8, "", "A"), -2070) << "BK checks the name";
}
