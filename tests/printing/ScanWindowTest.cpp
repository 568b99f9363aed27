// The scan screen as a real window under its own X server, driven by a real keyboard-wedge
// scanner's keys (xdotool, 3 ms apart, the field never cleared in between) and by an
// operator's clicks, with the labels received by the private CUPS scheduler.
#include "JXUtils/JXAppPaths.h"
#include "PrintingTestSupport.h"
#include "app/JXScanCodePrinterDialog.h"
#include "app/OmbrixLabelLog.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <set>

namespace {

const int kScans = 200;
// Every 40th scan holds a quote, which the printer's command cannot carry: it is refused.
const int kRefusedEvery = 40;

QString codeOf(int i)
{
    return i % kRefusedEvery == kRefusedEvery - 1
               ? QStringLiteral("HXKT4R00\"Q%1").arg(i, 3, 10, QChar('0'))
               : QStringLiteral("HXKT4R%1A%2").arg(i * 7919 % 100000, 5, 10, QChar('0')).arg(i);
}

// A private X server for the life of the test; its display in name().
class XServer
{
public:
    XServer()
    {
        // -displayfd 1: the server picks a free display and writes its number to us.
        server.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "1280x800x24",
                                              "-nolisten", "tcp", "-noreset"});
        while (display.isEmpty() && server.waitForReadyRead(10000)) {
            const QByteArray number = server.readAllStandardOutput().trimmed();
            if (!number.isEmpty())
                display = QStringLiteral(":") + QString::fromLatin1(number);
        }
    }
    ~XServer()
    {
        server.terminate();
        if (!server.waitForFinished(10000))
            server.kill();
    }
    QString name() const { return display; }

private:
    QProcess server;
    QString display;
};

class ScanWindowTest : public PrintingTest
{
protected:
    void TearDown() override
    {
        if (dialog.state() != QProcess::NotRunning) {
            dialog.kill();
            dialog.waitForFinished();
        }
        PrintingTest::TearDown();
    }
    // Runs xdotool against the test's X server; its standard output.
    QByteArray xdo(const QStringList &arguments)
    {
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), x.name());
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral("xdotool"), arguments);
        EXPECT_TRUE(tool.waitForFinished(120000)) << arguments.join(' ').toStdString();
        EXPECT_EQ(tool.exitCode(), 0) << arguments.join(' ').toStdString();
        return tool.readAllStandardOutput().trimmed();
    }
    void keys(const QStringList &names) { xdo(QStringList{"key", "--delay", "20"} + names); }
    // Types as the scanner does: 3 ms between keys, each scan ended by a carriage return
    // (xdotool sends Return for "\r", a line feed for "\n").
    void scanAll(int from, int to)
    {
        QString text;
        for (int i = from; i < to; ++i)
            text += QStringLiteral("XX1234") + codeOf(i) + '\r';
        xdo({"type", "--delay", "3", text});
    }
    static QList<QByteArray> labelLines()
    {
        QFile file(JXAppPaths::dataDir() + "/log/labels.csv");
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> lines = file.readAll().split('\n');
        lines.removeFirst(); // the header
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
    bool waitForLines(int count)
    {
        for (int waited = 0; waited < 120000; waited += 100) {
            if (labelLines().size() >= count)
                return true;
            QTest::qWait(100);
        }
        return false;
    }

    XServer x;
    QProcess dialog;
};

} // namespace

// Run only as the child of ScannerTypesIntoTheRealWindow: the screen on the X server.
TEST(ScanWindowChild, ShowsTheScreen)
{
    const QString appDir = qEnvironmentVariable("LANKIT_SCAN_WINDOW_APP");
    if (appDir.isEmpty())
        GTEST_SKIP() << "runs only as a child of ScanWindowTest.ScannerTypesIntoTheRealWindow";
    JXAppPaths::setApplicationDirForTesting(appDir);
    JXScanCodePrinterDialog screen;
    screen.setWindowTitle(QStringLiteral("scan-window-test"));
    screen.resize(840, 360);
    screen.exec();
}

TEST_F(ScanWindowTest, ScannerTypesIntoTheRealWindow)
{
    ASSERT_FALSE(x.name().isEmpty()) << "Xvfb did not start";
    configure(kPlainQueue);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANKIT_SCAN_WINDOW_APP"), app.path());
    environment.insert(QStringLiteral("DISPLAY"), x.name());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    dialog.setProcessEnvironment(environment); // CUPS_SERVER: this suite's scheduler
    dialog.setWorkingDirectory(work.path());
    dialog.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=ScanWindowChild.ShowsTheScreen")});
    ASSERT_TRUE(dialog.waitForStarted());
    const QString window = QString::fromLatin1(
        xdo({"search", "--sync", "--onlyvisible", "--name", "scan-window-test"}).split('\n').at(0));
    ASSERT_FALSE(window.isEmpty());
    xdo({"windowfocus", "--sync", window});
    // The scan field has the focus; model, serial and the paddings follow it. A carriage
    // return in the serial field sends the focus back to the scan field.
    keys({"Tab"});
    xdo({"type", "--delay", "3", "KT4X-Q2\tSN-00041\n"});
    // A carriage return in each other field prints nothing and sends the focus back to
    // the scan field, where the next keys go.
    for (int tabs = 1; tabs <= 4; ++tabs) {
        QStringList names;
        for (int tab = 0; tab < tabs; ++tab)
            names << QStringLiteral("Tab");
        keys(names << QStringLiteral("Return"));
        scanAll(tabs - 1, tabs);
    }
    scanAll(4, kScans / 2);
    // The operator clicks into the middle of the last code before the scanner goes on.
    xdo({"mousemove", "--window", window, "250", "270", "click", "1"});
    scanAll(kScans / 2, kScans);
    ASSERT_TRUE(waitForLines(kScans))
        << labelLines().size() << " of " << kScans << " recorded; the screen said:\n"
        << dialog.readAllStandardError().right(3000).constData();

    // One record per scan, its code exactly the scan's, the serial numbers consecutive.
    const QList<QByteArray> lines = labelLines();
    ASSERT_EQ(lines.size(), kScans);
    std::vector<QString> printed;
    for (int i = 0; i < kScans; ++i) {
        OmbrixLabelLog::Entry entry;
        ASSERT_TRUE(OmbrixLabelLog::parseLine(lines[i], &entry)) << lines[i].constData();
        EXPECT_EQ(entry.code, codeOf(i)) << i;
        if (codeOf(i).contains('"')) {
            EXPECT_EQ(entry.result, "refused: unprintable characters") << i;
            continue;
        }
        EXPECT_EQ(entry.result, "printed") << i;
        EXPECT_EQ(entry.serial,
                  QStringLiteral("SN-%1").arg(41 + printed.size(), 5, 10, QChar('0')));
        printed.push_back(entry.code);
    }
    // Every job's QR code holds its scan's code, in scan order, and no serial number's
    // picture comes twice.
    ASSERT_TRUE(waitForJobs(kPlainQueue, printed.size()));
    QTest::qWait(300);
    const std::vector<std::string> sent = jobs(kPlainQueue);
    ASSERT_EQ(sent.size(), printed.size());
    std::set<std::string> serials;
    for (size_t i = 0; i < sent.size(); ++i) {
        std::string qr;
        for (const std::string &line : commandLines(sent[i])) {
            if (line.rfind("b", 0) == 0)
                qr = line.substr(line.find('"'));
        }
        EXPECT_EQ(qr, '"' + printed[i].toStdString() + '"') << i;
        EXPECT_TRUE(serials.insert(graphicDownload(sent[i], "SNStr")).second) << i;
    }
    for (const size_t i : {size_t(0), sent.size() - 1}) {
        EXPECT_EQ(previewAndDecode(sent[i], work.path(), QStringLiteral("scan%1").arg(i)),
                  printed[i].toUtf8());
    }
}
