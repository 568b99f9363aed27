#include "PrintingTestSupport.h"

#include "JXUtils/JXConfigure.h"
#include "LabelInterpreter.h"

#include <QDir>
#include <QFile>
#include <QProcess>

const char kPlainQueue[] = "OMBRIX_T1";
const char kQueue203[] = "OMBRIX_T203";
const char kStoppedQueue[] = "OMBRIX_STOPPED";
const char kRejectingQueue[] = "OMBRIX_REJECTING";
const char kOtherQueue[] = "LABELS_OTHER";
const char kPpdQueue[] = "OMBRIX_PPD300";

void PrintingTest::SetUpTestSuite()
{
    if (cups)
        return;
    cups = std::make_unique<CupsFixture>();
    ASSERT_TRUE(cups->start()) << cups->error();
    for (const char *queue : {kPlainQueue, kStoppedQueue, kRejectingQueue, kOtherQueue})
        ASSERT_TRUE(cups->addRawQueue(queue)) << cups->error();
    ASSERT_TRUE(cups->addRawQueue(kQueue203, {"-o", "printer-resolution-default=203dpi"}));
    const std::string ppd = testSourceDir().toStdString() + "/tests/printing/data/label-300dpi.ppd";
    ASSERT_TRUE(cups->addRawQueue(kPpdQueue, {"-P", ppd})) << cups->errorLog();
    ASSERT_TRUE(cups->runTool({"cupsdisable", kStoppedQueue}));
    ASSERT_TRUE(cups->runTool({"cupsreject", kRejectingQueue}));
    ASSERT_TRUE(cups->runTool({"lpadmin", "-d", kOtherQueue}));
}

void PrintingTest::TearDownTestSuite()
{
    cups.reset();
}

void PrintingTest::SetUp()
{
    ASSERT_TRUE(cups && cups->running());
    ASSERT_TRUE(work.isValid());
    previousDir = QDir::currentPath();
    QDir::setCurrent(work.path());
    // Each test sees only its own jobs.
    ASSERT_TRUE(cups->runTool({"cancel", "-a", "-x"}));
    for (const char *queue : {kPlainQueue, kQueue203, kStoppedQueue, kRejectingQueue, kOtherQueue})
        QDir(QString::fromStdString(cups->outputDir(queue))).removeRecursively();
    for (const char *queue : {kPlainQueue, kQueue203, kStoppedQueue, kRejectingQueue, kOtherQueue})
        QDir().mkpath(QString::fromStdString(cups->outputDir(queue)));
    const QString library = QStringLiteral("libkorval.so.10");
    QFile::remove(app.path() + "/" + library);
    ASSERT_TRUE(QFile::link(testBinDir() + "/" + library, app.path() + "/" + library));
}

void PrintingTest::TearDown()
{
    QDir::setCurrent(previousDir);
}

void PrintingTest::configure(const QString &printer, double paddingLeft, double paddingTop)
{
    JXConfigure configure;
    configure.setPrinterName(printer);
    configure.setLabelSettings(60, 30, 3, paddingLeft, paddingTop, 7, 8, 9);
}

void PrintingTest::removeLibrary()
{
    QFile::remove(app.path() + "/libkorval.so.10");
}

std::vector<std::string> PrintingTest::jobs(const char *queue)
{
    return cups->deliveredJobs(queue);
}

bool PrintingTest::waitForJobs(const char *queue, size_t count)
{
    return cups->waitForJobs(queue, count);
}

namespace {

// The job cut into commands, each with its CR LF and, for a PCX download, its data.
std::vector<std::string> commandChunks(const std::string &job)
{
    std::vector<std::string> chunks;
    for (size_t at = 0; at < job.size();) {
        size_t end = job.find("\r\n", at);
        end = end == std::string::npos ? job.size() : end + 2;
        const std::string line = job.substr(at, end - at);
        if (line.rfind("GM\"", 0) == 0)
            end += std::stoul(line.substr(line.find('"', 3) + 1));
        chunks.push_back(job.substr(at, end - at));
        at = end;
    }
    return chunks;
}

bool isDrawing(const std::string &chunk)
{
    return chunk.rfind("GG", 0) == 0 || chunk.rfind("b", 0) == 0;
}

QRect inkOf(const LabelCanvas &canvas)
{
    QRect box;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (canvas.isBlack(x, y))
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

} // namespace

void expectStoredGeometry(double left, double top)
{
    JXConfigure configure;
    double width = 0, height = 0, l = 0, t = 0, right = 0, bottom = 0, padding = 0;
    int columns = 0;
    configure.labelSettings(width, height, columns, l, t, right, bottom, padding);
    EXPECT_EQ(width, 45);
    EXPECT_EQ(height, 45);
    EXPECT_EQ(columns, 1);
    EXPECT_EQ(padding, 2);
    EXPECT_EQ(l, left);
    EXPECT_EQ(t, top);
    EXPECT_EQ(right, 7);
    EXPECT_EQ(bottom, 8);
}

std::vector<std::string> commandLines(const std::string &job)
{
    std::vector<std::string> lines;
    for (const std::string &chunk : commandChunks(job)) {
        std::string line = chunk.substr(0, chunk.find("\r\n"));
        if (line.rfind("GM\"", 0) == 0)
            line.resize(line.find('"', 3) + 1);
        lines.push_back(line);
    }
    return lines;
}

std::string graphicDownload(const std::string &job, const std::string &name)
{
    for (const std::string &chunk : commandChunks(job)) {
        if (chunk.rfind("GM\"" + name + "\"", 0) == 0)
            return chunk;
    }
    return std::string();
}

std::vector<QRect> inkBoxes(const std::string &job)
{
    const std::vector<std::string> chunks = commandChunks(job);
    std::vector<QRect> boxes;
    for (size_t item = 0; item < chunks.size(); ++item) {
        if (!isDrawing(chunks[item]))
            continue;
        std::string alone;
        for (size_t i = 0; i < chunks.size(); ++i) {
            if (i == item || !isDrawing(chunks[i]))
                alone += chunks[i];
        }
        LabelInterpreter preview;
        preview.run(QByteArray::fromStdString(alone));
        if (preview.labels().size() != 1)
            return {};
        boxes.push_back(inkOf(preview.labels()[0].canvas));
    }
    return boxes;
}

QByteArray runProgram(const QString &program, const QStringList &arguments, int *exitCode)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
    }
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput();
}

QByteArray previewAndDecode(const std::string &job, const QString &dir, const QString &name,
                            QSize *size)
{
    const QString prn = dir + "/" + name + ".prn";
    QFile file(prn);
    if (!file.open(QIODevice::WriteOnly))
        return QByteArray();
    file.write(job.data(), qint64(job.size()));
    file.close();
    int exitCode = -1;
    runProgram(testBinDir() + "/label-preview", {"-o", dir + "/" + name, prn}, &exitCode);
    if (exitCode != 0)
        return QByteArray();
    const QString png = dir + "/" + name + "-1.png";
    if (size)
        *size = QImage(png).size();
    return runProgram(QStringLiteral("zbarimg"), {"--nodbus", "--raw", "-q", png}).trimmed();
}
