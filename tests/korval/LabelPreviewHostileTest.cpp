// The label preview under jobs built to hurt it: sizes, headers, lines and codes far beyond
// any label, long jobs, and the command-line tool's own failures.
#include "KorvalQr.h"
#include "KorvalQrBitmap.h"
#include "KorvalTestTools.h"
#include "LabelInterpreter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <sys/resource.h>

namespace {

long long peakResidentMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

QString labelPreviewProgram()
{
    return QFileInfo(QFileInfo("/proc/self/exe").canonicalFilePath()).path() + "/label-preview";
}

// A PCX header of a one-bit picture, followed by raw (not run-length) bytes.
QByteArray pcxWithHeader(int width, int height, int bytesPerLine, int dataBytes)
{
    QByteArray pcx(128, '\0');
    pcx[0] = 10;
    pcx[1] = 5;
    pcx[2] = 1;
    pcx[3] = 1;
    pcx[8] = char((width - 1) & 0xFF);
    pcx[9] = char((width - 1) >> 8);
    pcx[10] = char((height - 1) & 0xFF);
    pcx[11] = char((height - 1) >> 8);
    pcx[65] = 1;
    pcx[66] = char(bytesPerLine & 0xFF);
    pcx[67] = char(bytesPerLine >> 8);
    return pcx + QByteArray(dataBytes, '\x01');
}

QByteArray download(const QByteArray &name, const QByteArray &pcx)
{
    return "GM\"" + name + "\"" + QByteArray::number(pcx.size()) + "\r\n" + pcx;
}

} // namespace

// Labels and pictures beyond 32,000 dots a side or 100 megapixels are refused with a note
// before anything is allocated for them.
TEST(LabelPreviewHostile, LabelAndPictureSizesAreBounded)
{
    for (const QByteArray &size :
         {QByteArray("q2147483647\r\nQ2147483647"), QByteArray("q50000\r\nQ50000"),
          QByteArray("q20000\r\nQ10000"), QByteArray("q32001\r\nQ1")}) {
        SCOPED_TRACE(size.toStdString());
        LabelInterpreter preview;
        preview.run("N\r\n" + size + "\r\nLO0,0,9,9\r\nW1,1\r\n");
        EXPECT_TRUE(preview.labels().empty());
        ASSERT_EQ(preview.notes().size(), 1) << preview.notes().join('\n').toStdString();
        EXPECT_TRUE(preview.notes()[0].contains("beyond the 32000 dots a side and 100 megapixels"))
            << preview.notes()[0].toStdString();
    }
    {
        SCOPED_TRACE("the largest labels are still drawn");
        LabelInterpreter preview;
        preview.run("N\r\nq32000\r\nQ1\r\nLO31999,0,5,5\r\nW1,1\r\n");
        ASSERT_EQ(preview.labels().size(), 1u) << preview.notes().join('\n').toStdString();
        EXPECT_TRUE(preview.labels()[0].canvas.isBlack(31999, 0));
    }
    {
        SCOPED_TRACE("a PCX picture wider than any label, with all its data present");
        const QByteArray pcx = pcxWithHeader(33000, 1, 4125, 4125);
        LabelInterpreter preview;
        preview.run("N\r\nq10\r\nQ10\r\n" + download("WIDE", pcx) + "GG0,0,\"WIDE\"\r\nW1,1\r\n");
        ASSERT_EQ(preview.notes().size(), 2) << preview.notes().join('\n').toStdString();
        EXPECT_TRUE(preview.notes()[0].contains("PCX graphic not stored: larger than any label"));
        EXPECT_TRUE(preview.notes()[1].contains("no PCX graphic of that name"));
    }
    {
        SCOPED_TRACE("PCX pictures are paid from the job's budget while stored");
        // 20 pictures of 4,000 x 4,000 dots: 320 megadots, more than a job may hold.
        const QByteArray pcx = pcxWithHeader(4000, 4000, 500, 500 * 4000);
        QByteArray job = "N\r\n";
        for (int i = 0; i < 20; ++i)
            job += download("P" + QByteArray::number(i), pcx);
        LabelInterpreter preview;
        preview.run(job);
        ASSERT_FALSE(preview.notes().isEmpty());
        EXPECT_TRUE(preview.notes().last().contains("too many PCX graphics"))
            << preview.notes().last().toStdString();
    }
}

// The printer ends a command at its line end, quoted text included: a line break inside a
// quoted field starts the next command, and each byte of the job is read once.
TEST(LabelPreviewHostile, CommandsEndAtTheLineEnd)
{
    LabelInterpreter preview;
    preview.run("N\r\nq8\r\nQ4\r\nT1,1,0,2,1,1,N,\"no closing quote\r\nLO0,0,2,2\r\n"
                "b0,0,QR,0,0,o0,r1,m2,g0,s0,\"abc\r\nLO4,0,2,2\r\nT1,1,0,2,1,1,N,\"x\"\r\n"
                "W1,1\r\n");
    ASSERT_EQ(preview.labels().size(), 1u) << preview.notes().join('\n').toStdString();
    const LabelCanvas &label = preview.labels()[0].canvas;
    EXPECT_TRUE(label.isBlack(0, 0) && label.isBlack(1, 1)) << "the line after the open quote";
    EXPECT_TRUE(label.isBlack(4, 0) && label.isBlack(5, 1)) << "the line after the QR's data";
}

// A line is cut to the label before it is walked: one command of 23 bytes cannot buy two
// billion steps, and what lies on the label is drawn all the same.
TEST(LabelPreviewHostile, LinesAreClippedFirst)
{
    LabelCanvas canvas(100, 10, 1000);
    canvas.drawLine(0, 0, 2000000000, 0, 1);
    canvas.drawLine(-2000000000, 5, 2000000000, 5, 1);
    canvas.drawLine(2000000000, -2000000000, -2000000000, 2000000000, 1); // misses the label
    EXPECT_FALSE(canvas.exhausted()) << "spent: " << 1000 - canvas.budget();
    for (int x = 0; x < 100; ++x) {
        EXPECT_TRUE(canvas.isBlack(x, 0)) << x;
        EXPECT_TRUE(canvas.isBlack(x, 5)) << x;
    }
    // A thick line starting off the label still reaches into it.
    LabelCanvas thick(20, 20, 10000);
    thick.drawLine(-1000000, 10, -3, 10, 5);
    EXPECT_TRUE(thick.isBlack(1, 12));
    EXPECT_FALSE(thick.isBlack(2, 12));
    LabelInterpreter preview;
    preview.run("N\r\nq40\r\nQ4\r\nLS0,0,1,2000000000,0\r\nW1,1\r\n");
    ASSERT_EQ(preview.labels().size(), 1u) << preview.notes().join('\n').toStdString();
    EXPECT_TRUE(preview.labels()[0].canvas.isBlack(39, 0));
}

// QR modules go straight onto the label: a symbol magnified 99 times costs the dots that
// fall on the label, not a 38 MB bitmap each, and is drawn dot for dot as the bitmap.
TEST(LabelPreviewHostile, QrCodesAreDrawnOntoTheLabel)
{
    auto symbol = std::make_unique<QrSymbol>();
    ASSERT_TRUE(encodeQrSymbol(*symbol, 0, 0, 0, "v40"));
    QrBitmap expected;
    packQrBitmap(*symbol, 1, 3, expected);

    QByteArray job = "N\r\nq200\r\nQ180\r\nb7,5,QR,0,0,o1,r3,m2,g0,s0,\"v40\"\r\nW1,1\r\n";
    // Sixty symbols of 177 modules at 99 dots a module, mostly off the label.
    job += "N\r\n";
    for (int i = 0; i < 60; ++i)
        job += "b-" + QByteArray::number(i * 100) + ",0,QR,0,0,o0,r99,m2,g0,s0,\"" +
               QByteArray(2900, 'A' + i % 26) + "\"\r\n";
    job += "W1,1\r\n";
    LabelInterpreter preview;
    preview.run(job);
    ASSERT_EQ(preview.labels().size(), 2u) << preview.notes().join('\n').toStdString();
    const LabelCanvas &label = preview.labels()[0].canvas;
    int mismatches = 0;
    for (int y = 0; y < label.height(); ++y) {
        for (int x = 0; x < label.width(); ++x) {
            const int bx = x - 7;
            const int by = y - 5;
            const bool ink =
                bx >= 0 && by >= 0 && bx < expected.bytesPerRow * 8 && by < expected.rows &&
                (expected.bits[static_cast<size_t>(by) * expected.bytesPerRow + bx / 8] &
                 (0x80 >> (bx % 8)));
            mismatches += label.isBlack(x, y) != ink;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(preview.labels()[1].canvas.budget(), 0);
    EXPECT_LT(peakResidentMiB(), 400);
}

// With a sink each label leaves as soon as its print command is drawn: three thousand
// labels never live together.
TEST(LabelPreviewHostile, LabelsLeaveOneAtATime)
{
    LabelInterpreter preview;
    int handed = 0;
    preview.setLabelSink([&handed](PrintedLabel &&label) {
        EXPECT_EQ(label.canvas.width(), 832);
        return ++handed < 150; // the sink may refuse: the reading stops there
    });
    preview.run("N\r\nLO0,0,10,10\r\n" + QByteArray("W1,1\r\n").repeated(3000));
    EXPECT_EQ(handed, 150);
    EXPECT_TRUE(preview.labels().empty());
    ASSERT_FALSE(preview.notes().isEmpty());
    EXPECT_TRUE(preview.notes().last().contains("could not be written"));
    EXPECT_LT(peakResidentMiB(), 400);
}

// Each step costs even when it draws nothing, so many steps off the label printed many
// times stop on the budget instead of running for hours.
TEST(LabelPreviewHostile, StepsOffTheLabelArePaidFor)
{
    QByteArray job = "N\r\nq1\r\nQ1\r\n";
    job += QByteArray("LO-5,-5,1,1\r\n").repeated(200000);
    job += QByteArray("W1,1\r\n").repeated(200000);
    LabelInterpreter preview;
    preview.setLabelSink([](PrintedLabel &&) { return true; });
    preview.run(job);
    ASSERT_FALSE(preview.notes().isEmpty());
    EXPECT_TRUE(preview.notes().last().contains("too much to draw"));
}

// W counts label sets and copies of each, 1...65535 at the printer.
TEST(LabelPreviewHostile, CopiesAreCountedInTheirRange)
{
    LabelInterpreter preview;
    preview.run("N\r\nq8\r\nQ8\r\nW2147483647,2147483647\r\nW70000\r\nW0,3\r\nW2,x\r\nW\r\n");
    ASSERT_EQ(preview.labels().size(), 5u);
    EXPECT_EQ(preview.labels()[0].copies, 65535LL * 65535);
    EXPECT_EQ(preview.labels()[1].copies, 65535);
    EXPECT_EQ(preview.labels()[2].copies, 3);
    EXPECT_EQ(preview.labels()[3].copies, 2);
    EXPECT_EQ(preview.labels()[4].copies, 1);
    ASSERT_EQ(preview.notes().size(), 4) << preview.notes().join('\n').toStdString();
    EXPECT_TRUE(preview.notes()[0].contains("outside 1...65535, read as 4294836225 copies"));
}

// The tool: labels written as they are drawn, and every file it cannot write is exit 1.
TEST(LabelPreviewHostile, ToolFailsOnFilesItCannotWrite)
{
    QTemporaryDir dir;
    const QString job = dir.filePath("job.prn");
    QFile file(job);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("N\r\nq16\r\nQ16\r\nLO0,0,4,4\r\nW2,3\r\nW1,1\r\nT1,1,0,2,1,1,N,\"x\"\r\n");
    file.close();
    int exitCode = -1;
    const QByteArray out =
        runTool(labelPreviewProgram(), {"-o", dir.filePath("l"), "--notes", dir.filePath("n"), job},
                QByteArray(), &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(out, (dir.filePath("l") + "-1.png 16x16 copies 6\n" + dir.filePath("l") +
                    "-2.png 16x16 copies 1\n")
                       .toUtf8());
    EXPECT_TRUE(QFileInfo(dir.filePath("n")).size() > 0);
    runTool(labelPreviewProgram(), {"-o", dir.filePath("l"), "--notes", "/nonexistent/n", job},
            QByteArray(), &exitCode);
    EXPECT_EQ(exitCode, 1) << "a notes file that cannot be written";
    runTool(labelPreviewProgram(), {"-o", "/nonexistent/l", job}, QByteArray(), &exitCode);
    EXPECT_EQ(exitCode, 1) << "a label that cannot be written";
}
