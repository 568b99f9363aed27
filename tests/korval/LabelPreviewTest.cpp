// The label preview's reading of the command language: what it draws, dot for dot, and
// what it lists as not drawn.
#include "KorvalPcx.h"
#include "KorvalTestTools.h"
#include "LabelInterpreter.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

// The label as rows of '#' and '.', cut to a window.
std::vector<std::string> rows(const LabelCanvas &canvas, int x, int y, int w, int h)
{
    std::vector<std::string> out;
    for (int row = y; row < y + h; ++row) {
        std::string line;
        for (int col = x; col < x + w; ++col)
            line += canvas.isBlack(col, row) ? '#' : '.';
        out.push_back(line);
    }
    return out;
}

int blackDots(const LabelCanvas &canvas)
{
    int n = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x)
            n += canvas.isBlack(x, y);
    }
    return n;
}

QByteArray pcxFileOf(const std::vector<uint8_t> &bits, int width, int height)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("g.pcx");
    EXPECT_EQ(writeBitmapPcxFile(path.toLocal8Bit().constData(), bits.data(), width, height), 0);
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace

TEST(LabelPreview, LinesAndBoxes)
{
    LabelInterpreter preview;
    preview.run("N\r\nq12\r\nQ8,2\r\n"
                "LO1,1,4,2\r\n"         // black 4 x 2
                "LE3,2,4,2\r\n"         // inverted, overlapping one row
                "X7,0,1,11,4\r\n"       // box from (7,0) up to (11,4), line 1
                "LW8,1,1,1\r\n"         // clears inside the box: nothing there
                "LS6,5,1,9,7\r\n"       // diagonal, one dot thick
                "R0,5\r\nLO0,0,2,1\r\n" // the reference point moves later drawing
                "W1,1\r\n");
    EXPECT_TRUE(preview.notes().isEmpty()) << preview.notes().join('\n').toStdString();
    ASSERT_EQ(preview.labels().size(), 1u);
    const LabelCanvas &label = preview.labels()[0].canvas;
    EXPECT_EQ(label.width(), 12);
    EXPECT_EQ(label.height(), 8);
    EXPECT_EQ(rows(label, 0, 0, 12, 8), (std::vector<std::string>{".......####.", //
                                                                  ".####..#..#.", //
                                                                  ".##..###..#.", //
                                                                  "...########.", //
                                                                  "............", //
                                                                  "##....#.....", //
                                                                  ".......##...", //
                                                                  ".........#.."}));
}

TEST(LabelPreview, StoredGraphicsAndTheirNames)
{
    // A 16 x 2 text graphic with ink in its first column (clear bits), and a raw bitmap.
    std::vector<uint8_t> bits(2 * 2, 0xFF);
    bits[0] = 0x7F;
    bits[2] = 0x7F;
    const QByteArray pcx = pcxFileOf(bits, 16, 2);
    // GW's height runs into its data, which here starts with a digit.
    QByteArray job = QByteArray("N\r\nq40\r\nQ10,0\r\nGW30,0,1,2") + '7' + char(0x80) + "\r\n";
    job += "GK\"T\"\r\nGM\"T\"" + QByteArray::number(pcx.size()) + "\r\n" + pcx + "GG5,3,\"T\"\r\n";
    job += QByteArray("GD\"R\"1,2,") + char(0x81) + char(0xFF) + "GC20,1,\"R\"\r\n";
    job += "GK\"T\"\r\nGG0,0,\"T\"\r\nW1,1\r\n";
    LabelInterpreter preview;
    preview.run(job);
    ASSERT_EQ(preview.labels().size(), 1u) << preview.notes().join('\n').toStdString();
    const LabelCanvas &label = preview.labels()[0].canvas;
    EXPECT_EQ(rows(label, 5, 3, 3, 3), (std::vector<std::string>{"#..", "#..", "..."}));
    EXPECT_EQ(rows(label, 20, 1, 8, 2), (std::vector<std::string>{"#......#", "########"}));
    EXPECT_EQ(rows(label, 30, 0, 8, 2), (std::vector<std::string>{"..##.###", "#......."}));
    EXPECT_EQ(blackDots(label), 2 + 2 + 8 + 5 + 1);
    ASSERT_EQ(preview.notes().size(), 1);
    EXPECT_TRUE(preview.notes()[0].contains("GG0,0,\"T\"")) << preview.notes()[0].toStdString();
    EXPECT_TRUE(preview.notes()[0].contains("no PCX graphic"));
}

TEST(LabelPreview, CommandsNotDrawnAreListed)
{
    LabelInterpreter preview;
    preview.run("N\r\nT60,60,0,2,1,1,N,\"printer font\"\r\nB1,2,0,1,2,4,50,B,\"123\"\r\n"
                "b1,2,DX,7,8,o1,m2,\"dm\"\r\nb1,2,QR,1,2,o0,r2,m1,g0,s8,\"model one\"\r\n"
                "FR\"FORM\"\r\n%%unknown\r\nH14\r\nS5\r\nZB\r\nW2,3\r\nLO0,0,1,1\r\n");
    const QStringList notes = preview.notes();
    ASSERT_EQ(notes.size(), 8) << notes.join('\n').toStdString();
    EXPECT_TRUE(notes[0].startsWith("offset 3: T60,60,0,2,1,1,N,\"printer font\""));
    EXPECT_TRUE(notes[1].contains("B1,2,0,1,2,4,50,B"));
    EXPECT_TRUE(notes[2].contains("b1,2,DX"));
    EXPECT_TRUE(notes[3].contains("drawn as model 2"));
    EXPECT_TRUE(notes[4].contains("FR\"FORM\""));
    EXPECT_TRUE(notes[5].contains("unknown command"));
    EXPECT_TRUE(notes[6].contains("label width or height not set"));
    EXPECT_TRUE(notes[7].contains("never printed"));
    ASSERT_EQ(preview.labels().size(), 1u);
    EXPECT_EQ(preview.labels()[0].copies, 6);
    EXPECT_GT(blackDots(preview.labels()[0].canvas), 0) << "the model-1 QR is still drawn";
}

TEST(LabelPreview, PrinterSideQrIsReadable)
{
    LabelInterpreter preview;
    preview.run(
        "N\r\nq300\r\nQ300,2\r\nb40,60,QR,1,2,o1,r6,m2,g3,s8,\"VLT-000123-ABCDE\"\r\nW1,1\r\n"
        "N\r\nq300\r\nQ300,2\r\nb40,60,QR,1,2,o0,r6,m2,g3,s9,\"x\"\r\nW1,1\r\n");
    ASSERT_EQ(preview.labels().size(), 2u);
    QTemporaryDir dir;
    const QString path = dir.filePath("qr.png");
    ASSERT_TRUE(preview.labels()[0].canvas.savePng(path));
    EXPECT_EQ(zbarDecode(path), QByteArray("VLT-000123-ABCDE"));
    ASSERT_EQ(preview.notes().size(), 1);
    EXPECT_TRUE(preview.notes()[0].contains("cannot be encoded"));
    EXPECT_EQ(blackDots(preview.labels()[1].canvas), 0);
}

TEST(LabelPreview, CutJobsEndTheReading)
{
    LabelInterpreter preview;
    preview.run("N\r\nq20\r\nQ20,0\r\nGM\"T\"500\r\nshort");
    EXPECT_TRUE(preview.labels().empty());
    ASSERT_EQ(preview.notes().size(), 1);
    EXPECT_TRUE(preview.notes()[0].contains("cut short"));
    LabelInterpreter raw;
    raw.run("GD\"R\"10,10,abc");
    ASSERT_EQ(raw.notes().size(), 1);
    EXPECT_TRUE(raw.notes()[0].contains("cut short"));
}

// Jobs built to exhaust the preview: each ends with a note in bounded time and memory.
TEST(LabelPreview, HostileJobsAreBounded)
{
    {
        SCOPED_TRACE("a label larger than the budget");
        LabelInterpreter preview;
        preview.run("N\r\nq65535\r\nQ65535,0\r\nLO0,0,9,9\r\nW1,1\r\nq10\r\nQ10,0\r\nW1,1\r\n");
        EXPECT_TRUE(preview.labels().empty()) << "nothing after the refused label is read";
        ASSERT_EQ(preview.notes().size(), 1) << preview.notes().join('\n').toStdString();
        EXPECT_TRUE(preview.notes()[0].contains("65535 x 65535 dots"));
        EXPECT_TRUE(preview.notes()[0].contains("the rest of the job is not read"));
    }
    {
        SCOPED_TRACE("a thick line from far off the label, printed many times");
        QByteArray job = "N\r\nq400\r\nQ400,0\r\nLS-2000000000,0,300,2000000000,399\r\n";
        job += QByteArray("W1,1\r\n").repeated(50);
        LabelInterpreter preview;
        preview.run(job);
        EXPECT_LT(preview.labels().size(), 50u);
        ASSERT_FALSE(preview.notes().isEmpty());
        EXPECT_TRUE(preview.notes().last().contains("too much to draw"));
    }
    {
        SCOPED_TRACE("numbers beyond any label");
        LabelInterpreter preview;
        preview.run("N\r\nq8\r\nQ8,0\r\nR2147483647,2147483647\r\nLO-2147483648,0,1,1\r\n"
                    "W2147483647,2147483647\r\n");
        ASSERT_EQ(preview.labels().size(), 1u);
        EXPECT_EQ(preview.labels()[0].copies, 65535LL * 65535);
        EXPECT_EQ(blackDots(preview.labels()[0].canvas), 0);
    }
    {
        SCOPED_TRACE("a PCX header that promises 65535 x 65535 dots");
        QByteArray pcx = pcxFileOf(std::vector<uint8_t>(2, 0xFF), 16, 1);
        pcx[8] = pcx[9] = pcx[10] = pcx[11] = char(0xFF); // x max, y max
        pcx[66] = pcx[67] = char(0xFF);                   // bytes per line
        LabelInterpreter preview;
        preview.run("N\r\nGM\"BIG\"" + QByteArray::number(pcx.size()) + "\r\n" + pcx);
        ASSERT_EQ(preview.notes().size(), 1);
        EXPECT_TRUE(preview.notes()[0].contains("PCX graphic not stored"));
    }
    {
        SCOPED_TRACE("a flood of commands that are not drawn");
        LabelInterpreter preview;
        preview.run(QByteArray("%%\r\n").repeated(5000));
        ASSERT_EQ(preview.notes().size(), LabelInterpreter::kMaxNotes + 1);
        EXPECT_TRUE(preview.notes().last().contains("further notes left out"));
    }
}
