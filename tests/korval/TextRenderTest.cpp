#include "KorvalTextLayout.h"
#include "KorvalTrueType.h"

#include <QImage>
#include <QTransform>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string describe(const TextPlacement &p)
{
    return std::to_string(p.escapement) + " " + std::to_string(p.bitmapWidth) + "x" +
           std::to_string(p.bitmapHeight) + " text(" + std::to_string(p.textX) + "," +
           std::to_string(p.textY) + ") at(" + std::to_string(p.placeX) + "," +
           std::to_string(p.placeY) + ")";
}

std::string layout(int orientation, int x, int y, int width = 101, int height = 23)
{
    TextPlacement p;
    if (!layoutTextLine(orientation, x, y, width, height, p))
        return "rejected";
    return describe(p);
}

TrueTypeLine line(const char *face, const char *text, int height = 25, int orientation = 1)
{
    TrueTypeLine l;
    l.x = 400;
    l.y = 400;
    l.height = height;
    l.face = face;
    l.orientation = orientation;
    l.weight = 400;
    l.text = text;
    return l;
}

RenderedLine render(const TrueTypeLine &l)
{
    RenderedLine out;
    EXPECT_EQ(renderTrueTypeLine(l, out), 0) << l.face << " " << l.text;
    return out;
}

bool inkAt(const RenderedLine &r, int x, int y)
{
    const int stride = r.placement.bitmapWidth / 8;
    return !((r.bits[static_cast<size_t>(y) * stride + x / 8] >> (7 - x % 8)) & 1);
}

int inkCount(const RenderedLine &r)
{
    int n = 0;
    for (int y = 0; y < r.placement.bitmapHeight; ++y) {
        for (int x = 0; x < r.placement.bitmapWidth; ++x)
            n += inkAt(r, x, y);
    }
    return n;
}

// The rendered bitmap as an image, ink black.
QImage imageOf(const RenderedLine &r)
{
    QImage image(r.placement.bitmapWidth, r.placement.bitmapHeight, QImage::Format_Grayscale8);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, inkAt(r, x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
    return image;
}

} // namespace

TEST(TextLayout, PlacementOfEveryOrientation)
{
    // Text of 101 x 23 dots becomes a 112 x 32 bitmap (14 bytes per row).
    EXPECT_EQ(layout(1, 300, 200), "0 112x32 text(0,0) at(300,200)");
    EXPECT_EQ(layout(2, 300, 200), "2700 32x112 text(32,0) at(268,200)");
    EXPECT_EQ(layout(3, 300, 200), "1800 112x32 text(112,32) at(188,168)");
    EXPECT_EQ(layout(4, 300, 200), "900 32x112 text(0,112) at(300,88)");
    EXPECT_EQ(layout(5, 300, 200), "0 112x32 text(0,0) at(244,184)");
    EXPECT_EQ(layout(6, 300, 200), "2700 32x112 text(32,0) at(284,144)");
    EXPECT_EQ(layout(7, 300, 200), "1800 112x32 text(112,32) at(244,184)");
    EXPECT_EQ(layout(8, 300, 200), "900 32x112 text(0,112) at(284,144)");
}

TEST(TextLayout, LinesThatWouldLeaveTheLabel)
{
    // Centred codes clip their placement at 0 and keep the bitmap.
    EXPECT_EQ(layout(5, 10, 200), "0 112x32 text(0,0) at(0,184)");
    EXPECT_EQ(layout(6, 5, 30), "2700 32x112 text(32,0) at(0,0)");
    EXPECT_EQ(layout(7, 40, 3), "1800 112x32 text(112,32) at(0,0)");
    // Corner codes move the text origin to x or y and size the bitmap to reach it.
    EXPECT_EQ(layout(2, 20, 200), "2700 32x112 text(20,0) at(0,200)");
    EXPECT_EQ(layout(3, 300, 10), "1800 112x16 text(112,10) at(188,0)");
    EXPECT_EQ(layout(3, 50, 100), "1800 64x32 text(50,32) at(0,68)");
    EXPECT_EQ(layout(3, 50, 10), "1800 64x16 text(50,10) at(0,0)");
    EXPECT_EQ(layout(4, 300, 40), "900 32x48 text(0,40) at(300,0)");
    // A line wholly off the label still gets a blank graphic of 16 dots.
    EXPECT_EQ(layout(2, 0, 200), "2700 16x112 text(0,0) at(0,200)");
    EXPECT_EQ(layout(1, 0, 0, 0, 0), "0 16x16 text(0,0) at(0,0)");
    EXPECT_EQ(layout(0, 300, 200), "rejected");
    EXPECT_EQ(layout(9, 300, 200), "rejected");
}

TEST(TextRender, CellHeightIsAscentPlusDescent)
{
    for (int height : {13, 15, 23, 25, 40}) {
        const RenderedLine r = render(line("Arial", "Hg", height));
        EXPECT_EQ(r.textHeight, height);
        EXPECT_EQ(r.placement.bitmapHeight, (height + 15) / 16 * 16);
        // Ink reaches from near the cell top (H) to near its bottom (g).
        int top = -1;
        int bottom = -1;
        for (int y = 0; y < r.placement.bitmapHeight; ++y) {
            for (int x = 0; x < r.textWidth; ++x) {
                if (inkAt(r, x, y)) {
                    top = top < 0 ? y : top;
                    bottom = y;
                }
            }
        }
        EXPECT_GE(top, 0);
        EXPECT_LE(top, height / 4);
        EXPECT_GE(bottom, height * 3 / 4);
        EXPECT_LT(bottom, height);
    }
    // A negative height is the em size; the cell is taller.
    EXPECT_GT(render(line("Arial", "Hg", -20)).textHeight, 20);
}

// Turned lines are the upright line turned by Qt's own image rotation (escapement is
// counter-clockwise, Qt's angles clockwise); the centred codes draw the same bitmaps.
TEST(TextRender, EveryOrientationIsTheSameTextTurned)
{
    const RenderedLine upright = render(line("Arial", "P2P HXKT4R", 23, 1));
    ASSERT_GT(inkCount(upright), 50);
    const QImage uprightImage = imageOf(upright);
    const struct
    {
        int orientation;
        qreal clockwise;
    } turns[] = {{2, 90}, {3, 180}, {4, 270}};
    for (const auto &turn : turns) {
        const RenderedLine turned = render(line("Arial", "P2P HXKT4R", 23, turn.orientation));
        const QImage expected = uprightImage.transformed(QTransform().rotate(turn.clockwise));
        EXPECT_EQ(imageOf(turned), expected) << turn.orientation;
        const RenderedLine centred = render(line("Arial", "P2P HXKT4R", 23, turn.orientation + 4));
        EXPECT_EQ(centred.bits, turned.bits) << turn.orientation + 4;
    }
    EXPECT_EQ(render(line("Arial", "P2P HXKT4R", 23, 5)).bits, upright.bits);
}

TEST(TextRender, FacesAreFoundOrSubstituted)
{
    // "Arial" resolves to its metric twin; a face that is not installed still renders.
    const RenderedLine arial = render(line("Arial", "Serial 00042"));
    EXPECT_EQ(render(line("Liberation Sans", "Serial 00042")).bits, arial.bits);
    const RenderedLine narrow = render(line("Arial Narrow", "Serial 00042"));
    EXPECT_LT(narrow.textWidth, arial.textWidth);
    const RenderedLine missing = render(line("No Such Face 4711", "Serial 00042"));
    EXPECT_GT(inkCount(missing), 50);
    EXPECT_GT(missing.textWidth, 40);
}

TEST(TextRender, WeightItalicUnderlineStrikeOut)
{
    TrueTypeLine l = line("Arial", "Model KT4X");
    const RenderedLine regular = render(l);
    l.weight = 0; // means 400
    EXPECT_EQ(render(l).bits, regular.bits);
    l.weight = 700;
    const RenderedLine bold = render(l);
    EXPECT_GT(inkCount(bold), inkCount(regular) * 11 / 10);

    // A face with no bold of its own is emboldened: wider and darker.
    TrueTypeLine cjk = line("WenQuanYi Micro Hei", "Model KT4X");
    const RenderedLine cjkRegular = render(cjk);
    cjk.weight = 700;
    const RenderedLine cjkBold = render(cjk);
    EXPECT_GE(cjkBold.textWidth, cjkRegular.textWidth + 10);
    EXPECT_GT(inkCount(cjkBold), inkCount(cjkRegular) * 11 / 10);

    // Italic leans right: between the top and the bottom of the ink the mean column moves
    // right by several dots more than it does upright (synthetic for the CJK face).
    auto lean = [](const RenderedLine &r) {
        long sums[2] = {0, 0};
        long counts[2] = {0, 0};
        for (int y = 0; y < r.textHeight; ++y) {
            for (int x = 0; x < r.placement.bitmapWidth; ++x) {
                if (inkAt(r, x, y)) {
                    sums[y < r.textHeight / 2] += x;
                    ++counts[y < r.textHeight / 2];
                }
            }
        }
        return counts[0] && counts[1] ? sums[1] / counts[1] - sums[0] / counts[0] : -1000;
    };
    for (const char *face : {"Arial", "WenQuanYi Micro Hei"}) {
        TrueTypeLine slanted = line(face, "llll", 40);
        const long upright = lean(render(slanted));
        slanted.italic = true;
        EXPECT_GE(lean(render(slanted)), upright + 3) << face;
    }

    // Underline and strike-out are rows of ink across the whole advance.
    auto fullRows = [](const RenderedLine &r) {
        std::vector<int> rows;
        for (int y = 0; y < r.placement.bitmapHeight; ++y) {
            bool full = true;
            for (int x = 0; x < r.textWidth && full; ++x)
                full = inkAt(r, x, y);
            if (full)
                rows.push_back(y);
        }
        return rows;
    };
    TrueTypeLine decorated = line("Arial", "a b c", 40);
    EXPECT_TRUE(fullRows(render(decorated)).empty());
    decorated.underline = true;
    const std::vector<int> under = fullRows(render(decorated));
    ASSERT_FALSE(under.empty());
    EXPECT_GT(under.front(), 30); // below the baseline (ascent about 32 of 40)
    decorated.underline = false;
    decorated.strikeOut = true;
    const std::vector<int> strike = fullRows(render(decorated));
    ASSERT_FALSE(strike.empty());
    EXPECT_GT(strike.front(), 12);
    EXPECT_LT(strike.back(), 30);
}

TEST(TextRender, WidthAndOrientationArguments)
{
    TrueTypeLine l = line("Arial", "0123456789");
    const int natural = render(l).textWidth;
    l.width = 20; // average character width
    EXPECT_GT(render(l).textWidth, natural * 3 / 2);
    l.width = 0;
    RenderedLine out;
    for (int orientation : {0, 9, -1}) {
        l.orientation = orientation;
        EXPECT_EQ(renderTrueTypeLine(l, out), kTextNoDeviceContext);
    }
    l.orientation = 1;
    l.height = 30000; // a bitmap far beyond any label
    EXPECT_EQ(renderTrueTypeLine(l, out), kTextNoMemory);
}
