// Labels printed through a private CUPS scheduler, drawn by the label preview and read
// back by zbarimg: what a person would see on the printed label.
#include "CupsQueueTest.h"
#include "KorvalQr.h"
#include "KorvalTestSupport.h"
#include "KorvalTestTools.h"
#include "LabelInterpreter.h"
#include "QrCorpus.h"
#include "TextLineFile.h"
#include "korval.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <memory>
#include <string>
#include <vector>

namespace {

class LabelEndToEndTest : public CupsQueueTest<LabelEndToEndTest>
{
protected:
    static void SetUpTestSuite() { startScheduler({"korval_qr_corpus", "korval_device_label"}); }
};

// The commands of a job as text lines, each PCX download shown by its header only.
std::vector<std::string> commandLines(const std::string &job)
{
    std::vector<std::string> lines;
    for (size_t at = 0; at < job.size();) {
        const size_t end = job.find("\r\n", at);
        std::string line = job.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? job.size() : end + 2;
        if (line.rfind("GM\"", 0) == 0) {
            const size_t size = std::stoul(line.substr(line.find('"', 3) + 1));
            keepPcxForReaderCheck(job.substr(at, size));
            at += size;
        }
        lines.push_back(line);
    }
    return lines;
}

QString buildFolder()
{
    return QDir::cleanPath(testBinDir() + "/..");
}

} // namespace

// Every corpus symbol drawn with OBX_DrawBar2D_QREx, one label per job, turned by each of
// the four rotations in turn, and read back to its exact bytes.
TEST_F(LabelEndToEndTest, QrCorpusReadsBackFromPrintedLabels)
{
    const std::vector<QrCorpusEntry> corpus = qrCorpus();
    ASSERT_EQ(OpenPort("korval_qr_corpus"), 0);
    std::vector<int> quietZones;
    for (size_t i = 0; i < corpus.size(); ++i) {
        const QrCorpusEntry &entry = corpus[i];
        const int magnification = entry.data.size() > 1000 ? 2 : 3;
        const int quiet = 4 * magnification;
        const int side = (4 * 40 + 17) * magnification + 2 * quiet;
        ASSERT_EQ(startSquareLabel(side), 0);
        ASSERT_EQ(OBX_DrawBar2D_QREx(quiet, quiet, static_cast<int>(i % 4), magnification,
                                     entry.level, entry.version, kQrMaskAutomatic, "CORPUS",
                                     entry.data.constData()),
                  0)
            << entry.name.toStdString();
        ASSERT_EQ(OBX_PrintLabel(1, 1), 0);
    }
    EXPECT_EQ(ClosePort(), 0);
    ASSERT_TRUE(cups->waitForJobs("korval_qr_corpus", corpus.size(), 30000)) << cups->errorLog();
    const std::vector<std::string> jobs = cups->deliveredJobs("korval_qr_corpus");
    ASSERT_EQ(jobs.size(), corpus.size());

    for (size_t i = 0; i < corpus.size(); ++i) {
        SCOPED_TRACE(corpus[i].name.toStdString());
        LabelInterpreter preview;
        preview.run(QByteArray::fromStdString(jobs[i]));
        EXPECT_TRUE(preview.notes().isEmpty()) << preview.notes().join('\n').toStdString();
        ASSERT_EQ(preview.labels().size(), 1u);
        const QString png = QString::fromStdString(work.file("label.png"));
        ASSERT_TRUE(preview.labels()[0].canvas.savePng(png));
        EXPECT_EQ(zbarDecode(png), corpus[i].data);
    }
}

// The device label of the program at 0.85 tenths of a millimetre per dot: set-up, model,
// the printer's own QR command, the identifier centred under it, the serial number. The
// label preview program draws it; zbarimg finds the identifier in the picture, which is
// kept in the build folder.
TEST_F(LabelEndToEndTest, DeviceLabelWorkedExample)
{
    const char *identifier = "HXKT4R00A1B2";
    ASSERT_EQ(OpenPort("korval_device_label"), 0);
    ASSERT_EQ(startDeviceLabel(), 0);
    EXPECT_EQ(
        OBX_DrawTextTrueTypeW(267, 172, 25, 0, "Arial", 1, 500, 0, 0, 0, "ModelStr", "KT4X-Q2"), 0);
    EXPECT_EQ(OBX_DrawBar2D_QR(71, 211, 1, 2, 0, 8, 2, 1, 8, identifier), 0);
    EXPECT_EQ(OBX_DrawTextTrueTypeW(123, 327, 15, 0, "Arial Narrow", 5, 700, 0, 0, 0, "P2PIDStr",
                                    identifier),
              0);
    EXPECT_EQ(OBX_DrawTextTrueTypeW(188, 409, 23, 0, "Arial", 1, 600, 0, 0, 0, "SNStr", "SN-00042"),
              0);
    EXPECT_EQ(OBX_PrintLabel(1, 1), 0);
    EXPECT_EQ(ClosePort(), 0);
    EXPECT_FALSE(fileExists(work.file("ombrix.pcx")));
    ASSERT_TRUE(cups->waitForJobs("korval_device_label", 1)) << cups->errorLog();
    const std::string job = cups->deliveredJobs("korval_device_label").at(0);

    // The commands in order, each PCX download by its header without the size.
    std::vector<std::string> lines = commandLines(job);
    for (std::string &line : lines) {
        if (line.rfind("GM\"", 0) == 0)
            line.resize(line.find('"', 3) + 1);
    }
    RenderedLine centred;
    ASSERT_EQ(renderTrueTypeLine(textLineCase(1), centred), 0);
    EXPECT_EQ(centred.placement.placeY, 327 - 8);
    EXPECT_EQ(lines, referenceLines("worked-example-label.txt",
                                    {{"magnification", "8"},
                                     {"p2pX", std::to_string(centred.placement.placeX)}}));

    const QString prn = buildFolder() + "/korval-worked-example.prn";
    QFile file(prn);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(job.data(), static_cast<qint64>(job.size()));
    file.close();
    const QString prefix = buildFolder() + "/korval-worked-example";
    int exitCode = -1;
    const QByteArray out =
        runTool(testBinDir() + "/label-preview", {"-o", prefix, prn}, QByteArray(), &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(out.trimmed(), (prefix + "-1.png 529x529 copies 1").toUtf8());
    const QImage picture(prefix + "-1.png");
    EXPECT_EQ(picture.size(), QSize(529, 529));
    EXPECT_EQ(zbarDecode(prefix + "-1.png"), QByteArray(identifier));
}
