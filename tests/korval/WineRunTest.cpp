// The Windows build of korval under Wine, checked from Linux: the cross-built test
// program (build-win/bin/korval_win_tests.exe) runs in a throw-away Wine prefix against
// this suite's private CUPS scheduler, and what it leaves (jobs, rendered text, serial
// requests) is compared with what the Linux build makes of the same calls.
// Runs only when KORVAL_WINE_RUN is set, as scripts/test.sh --windows does after building
// build-win/ and making a fresh prefix; the other test runs skip it.
#include "CupsQueueTest.h"
#include "KorvalTestTools.h"
#include "ReferenceLabel.h"
#include "TextLineFile.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char *kWine = "/usr/lib/wine/wine64";
constexpr int kWineTimeoutMs = 120000; // a first start builds the prefix (~7 s)
const char *const kWineQueue = "korval_wine";
const char *const kLinuxQueue = "korval_linux";

QString winBinDir()
{
    return testSourceDir() + "/build-win/bin";
}

// A Linux path as the Wine program sees it, on drive Z:.
QString winePath(const QString &path)
{
    return "Z:" + QString(path).replace('/', '\\');
}

struct WineRun
{
    int exitCode = -1;
    QString output;
};

WineRun runWine(const QStringList &arguments, const QStringList &environment = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("WINEPREFIX", testSourceDir() + "/build-win/wineprefix");
    env.insert("WINEDEBUG", "-all");
    env.insert("WINEDLLOVERRIDES", "mscoree,mshtml=");
    env.remove("DISPLAY");
    for (const QString &pair : environment)
        env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(kWine, arguments);
    WineRun run;
    if (!process.waitForFinished(kWineTimeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        run.output = "timed out\n";
    }
    run.output += QString::fromLocal8Bit(process.readAll());
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    return run;
}

WineRun runWinTests(const QString &filter, const QStringList &environment = {})
{
    return runWine({winBinDir() + "/korval_win_tests.exe", "--gtest_filter=" + filter},
                   environment);
}

class WineRunTest : public CupsQueueTest<WineRunTest>
{
protected:
    static void SetUpTestSuite() { startScheduler({kWineQueue, kLinuxQueue}); }

    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("KORVAL_WINE_RUN"))
            GTEST_SKIP() << "the Wine run is scripts/test.sh --windows";
        ASSERT_TRUE(QFileInfo::exists(winBinDir() + "/korval_win_tests.exe"))
            << "build-win/ is not built";
        ASSERT_TRUE(QFileInfo::exists(kWine)) << "Wine is not installed";
        CupsQueueTest<WineRunTest>::SetUp();
    }

    // CUPS_SERVER of this process names the suite's scheduler; Wine inherits it.
    QStringList cupsEnvironment() const
    {
        return {"CUPS_SERVER=" + QString::fromStdString(cups->socketPath())};
    }
};

// The DLL exports exactly the list of the Linux library, and neither it nor the test
// program needs a MinGW runtime DLL; a library that does is caught.
TEST_F(WineRunTest, DllExportsAndImports)
{
    const QString check = testSourceDir() + "/tests/korval/win/check_dll.py";
    int exitCode = -1;
    const QByteArray report = runTool("/usr/bin/python3",
                                      {check, winBinDir() + "/KORVAL.dll", "--exports",
                                       testSourceDir() + "/tests/korval/korval_exports.txt"},
                                      QByteArray(), &exitCode);
    EXPECT_EQ(exitCode, 0) << report.toStdString();
    EXPECT_TRUE(report.contains("82 exports")) << report.toStdString();
    EXPECT_TRUE(report.contains("WINSPOOL.DRV")) << report.toStdString();
    runTool("/usr/bin/python3", {check, winBinDir() + "/korval_win_tests.exe"}, QByteArray(),
            &exitCode);
    EXPECT_EQ(exitCode, 0);
    runTool("/usr/bin/python3",
            {check, winBinDir() + "/korval_caller.exe", "--allow", "KORVAL.dll"}, QByteArray(),
            &exitCode);
    EXPECT_EQ(exitCode, 0);

    const QString mingwRuntime = "/usr/lib/gcc/x86_64-w64-mingw32/12-posix/libstdc++-6.dll";
    if (QFileInfo::exists(mingwRuntime)) {
        const QByteArray bad =
            runTool("/usr/bin/python3", {check, mingwRuntime}, QByteArray(), &exitCode);
        EXPECT_EQ(exitCode, 1);
        EXPECT_TRUE(bad.contains("libgcc_s_seh-1.dll")) << bad.toStdString();
    }
}

// The zip holds the DLL, its import library and .def file, the header and the README.
TEST_F(WineRunTest, PackageContents)
{
    int exitCode = -1;
    const QByteArray listing = runTool(
        "/usr/bin/python3",
        {"-c",
         "import sys, zipfile; print('\\n'.join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))",
         testSourceDir() + "/build-win/korval-10.0.0-win64.zip"},
        QByteArray(), &exitCode);
    ASSERT_EQ(exitCode, 0);
    EXPECT_EQ(listing.toStdString(), "korval-10.0.0-win64/\n"
                                     "korval-10.0.0-win64/KORVAL.def\n"
                                     "korval-10.0.0-win64/KORVAL.dll\n"
                                     "korval-10.0.0-win64/README.txt\n"
                                     "korval-10.0.0-win64/korval.h\n"
                                     "korval-10.0.0-win64/libKORVAL.dll.a\n");
}

TEST_F(WineRunTest, BuilderTablesPassByteForByte)
{
    // The full-disk case needs /dev/full, which Windows has not.
    const WineRun run = runWinTests("CommandBuilderTest.*:NoOutputTest.*:-CommandBuilderTest."
                                    "ShortWriteGivesEachBuildersOwnCode");
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("[  PASSED  ]")) << run.output.toStdString();
}

// Through Wine's spooler into the private queue: one raw job, the same bytes as the
// Linux build's job for the same calls, drawn by the label preview and read by zbarimg.
TEST_F(WineRunTest, SpoolerJobEqualsTheLinuxJob)
{
    const WineRun run = runWinTests("WinSeamTest.Spooler*:WinSeamTest.UnknownQueueIsRefused",
                                    cupsEnvironment() << QString("KORVAL_WIN_QUEUE=") + kWineQueue);
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    for (const char *name : {"SpoolerPrintsTheReferenceLabel", "SpoolerWorkOffline",
                             "SpoolerKeepsTheSpoolFileUntilClosePort"})
        EXPECT_TRUE(run.output.contains(QString("[       OK ] WinSeamTest.") + name)) << name;
    ASSERT_EQ(printReferenceLabel(kLinuxQueue), 0);
    ASSERT_TRUE(cups->waitForJobs(kLinuxQueue, 1)) << cups->errorLog();
    ASSERT_TRUE(cups->waitForJobs(kWineQueue, 1)) << cups->errorLog();
    const std::vector<std::string> wine = cups->deliveredJobs(kWineQueue);
    const std::string linuxJob = cups->deliveredJobs(kLinuxQueue).at(0);
    ASSERT_EQ(wine.size(), 1u) << "one job per label; ClosePort sends nothing unprinted";
    EXPECT_EQ(wine.at(0), linuxJob) << "the QR graphic and every command, byte for byte";
    for (const CupsFixture::Job &job : cups->jobs(kWineQueue)) {
        EXPECT_EQ(job.title, "My PrintJob");
    }

    const QString prn = work.file("wine-job.prn").c_str();
    writeWholeFile(prn.toStdString(), wine.at(0));
    int exitCode = -1;
    runTool(testBinDir() + "/label-preview", {"-o", work.file("wine-label").c_str(), prn},
            QByteArray(), &exitCode);
    ASSERT_EQ(exitCode, 0);
    EXPECT_TRUE(
        zbarDecode(QString::fromStdString(work.file("wine-label-1.png"))).contains("HXKT4R00A1B2"));
}

TEST_F(WineRunTest, UsbWithoutPrinterAndRecordedPaths)
{
    const WineRun run = runWinTests("WinSeamTest.Usb*");
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
}

// A caller built from the zip's header and import library alone prints a label.
TEST_F(WineRunTest, CallerFromThePackagePrints)
{
    const QString package = testSourceDir() + "/build-win/korval-10.0.0-win64";
    QDir dir(QString::fromStdString(work.path()));
    for (const char *name : {"KORVAL.dll", "korval_caller.exe"}) {
        const QString from =
            QString(name) == "KORVAL.dll" ? package + "/" + name : winBinDir() + "/" + name;
        ASSERT_TRUE(QFile::copy(from, dir.filePath(name))) << name;
    }
    QProcess process;
    const WineRun run = runWine({dir.filePath("korval_caller.exe"), kWineQueue}, cupsEnvironment());
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("printed one label")) << run.output.toStdString();
    ASSERT_TRUE(cups->waitForJobs(kWineQueue, 1)) << cups->errorLog();
    EXPECT_NE(cups->deliveredJobs(kWineQueue).back().find("W1,1\r\n"), std::string::npos);
}

// Pixels that differ between two renderings, over the larger of the two bitmaps, with b
// moved by (dx, dy).
int differingPixels(const RenderedLine &a, const RenderedLine &b, int dx, int dy, int &total)
{
    const int width = std::max(a.placement.bitmapWidth, b.placement.bitmapWidth);
    const int height = std::max(a.placement.bitmapHeight, b.placement.bitmapHeight);
    total = width * height;
    auto ink = [](const RenderedLine &line, int x, int y) {
        const TextPlacement &p = line.placement;
        if (x < 0 || y < 0 || x >= p.bitmapWidth || y >= p.bitmapHeight)
            return false;
        const uint8_t byte = line.bits[size_t(y) * size_t(p.bitmapWidth / 8) + size_t(x / 8)];
        return (byte & (0x80 >> (x % 8))) == 0;
    };
    int differing = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            differing += ink(a, x, y) != ink(b, x - dx, y - dy);
    }
    return differing;
}

// The least share of differing pixels (percent) with b moved by up to two dots: a text
// measured a dot shorter sits a dot elsewhere in a turned bitmap.
double leastDifference(const RenderedLine &a, const RenderedLine &b, double &unmoved)
{
    double least = 100.0;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            int total = 0;
            const int differing = differingPixels(a, b, dx, dy, total);
            const double share = 100.0 * differing / std::max(total, 1);
            if (dx == 0 && dy == 0)
                unmoved = share;
            least = std::min(least, share);
        }
    }
    return least;
}

Picture pictureOf(const RenderedLine &line)
{
    Picture picture;
    picture.width = line.placement.bitmapWidth;
    picture.height = line.placement.bitmapHeight;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t byte = line.bits[size_t(y) * size_t(picture.width / 8) + size_t(x / 8)];
            picture.black.push_back((byte & (0x80 >> (x % 8))) == 0);
        }
    }
    return picture;
}

TEST_F(WineRunTest, GdiTextMatchesFreeType)
{
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    // What fontconfig does for the Linux build: the narrow face for "Arial Narrow". Wine
    // finds Liberation Sans for "Arial" by itself.
    const WineRun font = runWine({"reg", "add", "HKCU\\Software\\Wine\\Fonts\\Replacements", "/v",
                                  "Arial Narrow", "/d", "Liberation Sans Narrow", "/f"});
    ASSERT_EQ(font.exitCode, 0) << font.output.toStdString();
    const WineRun run = runWinTests("WinSeamTest.TextLinesThroughGdi:WinSeamTest.TrueType*",
                                    {"KORVAL_WIN_OUT=" + winePath(out.path())});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    for (int i = 0; i < kTextLineCases; ++i) {
        SCOPED_TRACE(i);
        RenderedLine gdi;
        ASSERT_TRUE(readTextLineFile(
            QDir(out.path()).filePath(QString("text-%1.line").arg(i)).toStdString(), gdi));
        RenderedLine freetype;
        ASSERT_EQ(renderTrueTypeLine(textLineCase(i), freetype), 0);
        EXPECT_NEAR(gdi.textWidth, freetype.textWidth, 2);
        EXPECT_NEAR(gdi.textHeight, freetype.textHeight, 2);
        // Where the bitmap goes follows from the orientation and the measured size alone.
        EXPECT_NEAR(gdi.placement.placeX, freetype.placement.placeX, 2);
        EXPECT_NEAR(gdi.placement.placeY, freetype.placement.placeY, 2);
        double unmoved = 100.0;
        const double least = leastDifference(gdi, freetype, unmoved);
        std::printf("text case %d: GDI %dx%d, FreeType %dx%d; %.2f %% of the pixels differ "
                    "(%.2f %% at the best shift of up to 2 dots)\n",
                    i, gdi.textWidth, gdi.textHeight, freetype.textWidth, freetype.textHeight,
                    unmoved, least);
        // The worked example's lines are compared as they lie; the turned ones may sit a
        // dot or two apart.
        EXPECT_LT(i < 3 ? unmoved : least, 10.0);
        // Both renderings stay in the build folder for a look.
        const QString prefix = testBinDir() + QString("/../wine-text-%1").arg(i);
        writePbm(pictureOf(gdi), prefix + "-gdi.pbm");
        writePbm(pictureOf(freetype), prefix + "-freetype.pbm");
    }
}

// COM1 of the prefix is a pseudo-terminal whose far end this test holds: it reads the
// status request and answers in pieces, or stays silent.
class SerialLine
{
public:
    SerialLine()
    {
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return;
        path = name;
        struct termios tio = {};
        tcgetattr(slave, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
    }
    ~SerialLine()
    {
        stop = true;
        if (answerer.joinable())
            answerer.join();
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }
    SerialLine(const SerialLine &) = delete;
    SerialLine &operator=(const SerialLine &) = delete;

    // Reads what arrives (at most 4 KiB, for at most timeout) and, once the request is
    // in, writes reply in pieces of pieceSize bytes.
    void answer(const std::string &reply, size_t pieceSize)
    {
        answerer = std::thread([this, reply, pieceSize] {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            fcntl(master, F_SETFL, O_NONBLOCK);
            bool answered = reply.empty();
            while (!stop && std::chrono::steady_clock::now() < deadline) {
                char chunk[256];
                const ssize_t n = ::read(master, chunk, sizeof chunk);
                if (n > 0 && received.size() < 4096)
                    received.append(chunk, size_t(n));
                if (!answered && received.find("^ee\r\n") != std::string::npos) {
                    for (size_t at = 0; at < reply.size(); at += pieceSize) {
                        const std::string piece = reply.substr(at, pieceSize);
                        if (::write(master, piece.data(), piece.size()) < 0)
                            break;
                        std::this_thread::sleep_for(std::chrono::milliseconds(150));
                    }
                    answered = true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }
    std::string takeReceived()
    {
        stop = true;
        if (answerer.joinable())
            answerer.join();
        return received;
    }

    std::string path; // the slave's device, /dev/pts/N

private:
    int master = -1;
    int slave = -1; // held open so the line stays up between Wine's opens
    std::thread answerer;
    std::atomic<bool> stop{false};
    std::string received; // written by answerer until it is joined
};

class WineSerialTest : public WineRunTest
{
protected:
    // Maps COM1 of the prefix to the line, through the registry and dosdevices.
    bool mapCom1(const std::string &device)
    {
        const WineRun reg = runWine({"reg", "add", "HKLM\\Software\\Wine\\Ports", "/v", "COM1",
                                     "/d", QString::fromStdString(device), "/f"});
        const QString link = testSourceDir() + "/build-win/wineprefix/dosdevices/com1";
        ::unlink(link.toLocal8Bit().constData()); // a link left by an earlier run dangles
        return reg.exitCode == 0 && ::symlink(device.c_str(), link.toLocal8Bit().constData()) == 0;
    }
};

TEST_F(WineSerialTest, StatusReplyWholeAndInPieces)
{
    struct Case
    {
        const char *reply;
        size_t pieceSize;
        const char *expect;
    };
    for (const Case &c : {Case{"42\r\n", 4, "42"}, Case{"07\r\n", 1, "7"}}) {
        SCOPED_TRACE(c.reply);
        SerialLine line;
        ASSERT_FALSE(line.path.empty());
        ASSERT_TRUE(mapCom1(line.path));
        line.answer(c.reply, c.pieceSize);
        const WineRun run =
            runWinTests("WinSeamTest.SerialStatusReport",
                        {QString("KORVAL_WIN_COM_EXPECT=") + c.expect, "KORVAL_WIN_COM_WAIT=3"});
        EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
        EXPECT_EQ(line.takeReceived(), "^ee\r\n");
    }
}

TEST_F(WineSerialTest, SilentPrinterTimesOut)
{
    SerialLine line;
    ASSERT_FALSE(line.path.empty());
    ASSERT_TRUE(mapCom1(line.path));
    line.answer("", 1);
    const auto start = std::chrono::steady_clock::now();
    const WineRun run = runWinTests("WinSeamTest.SerialStatusReport",
                                    {"KORVAL_WIN_COM_EXPECT=-2128", "KORVAL_WIN_COM_WAIT=2"});
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_GE(took, std::chrono::seconds(2)) << "two one-second waits";
    EXPECT_LT(took, std::chrono::seconds(30)) << "and then it gives up";
    EXPECT_EQ(line.takeReceived(), "^ee\r\n");
}

} // namespace
