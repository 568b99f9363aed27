// Stations of one line sharing a register on a private PostgreSQL server and printing to
// one private CUPS queue: lankitctl loops at once, one code scanned at two stations at
// once, and the scan screen asking about a code another station printed.
#include "PgServer.h"
#include "ScanScreenTest.h"
#include "support/TestPaths.h"

#include "JXUtils/JXConfigure.h"
#include "JXWidget/JXDialog/JXAlertDialog.h"
#include "app/OmbrixLabelRegister.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QSet>
#include <QSettings>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <set>
#include <string>

namespace {
// Labels each lankitctl loop prints; four loops together give four times as many.
const int kLabelsPerStation = soakSize(250, 25);
constexpr int kStations = 4;
// Times two stations scan the same code at the same moment.
const int kSameCodeRounds = soakSize(20, 5);
// Deadline of the four loops together (some 2 s a label on a loaded machine), and of one
// pair of runs.
const int kLoopsMs = 2000 * kLabelsPerStation;
constexpr int kPairMs = 30000;

class StationsTest : public ScanScreenTest
{
protected:
    static void SetUpTestSuite()
    {
        PrintingTest::SetUpTestSuite();
        server = std::make_unique<PgServer>();
        QString error;
        ASSERT_TRUE(server->start(&error)) << qPrintable(error);
    }
    static void TearDownTestSuite()
    {
        server.reset();
        PrintingTest::TearDownTestSuite();
    }
    void SetUp() override
    {
        PrintingTest::SetUp();
        configure(kPlainQueue);
        JXConfigure().setReprintQuestion(true);
        const QString database = QStringLiteral("line%1").arg(++databases);
        ASSERT_TRUE(server->createDatabase(database));
        address = server->address(database);
        setKey(OmbrixLabelRegister::kRegisterKey, address);
        program = app.path() + QStringLiteral("/lankitctl");
        ASSERT_TRUE(QFile::copy(testBinDir() + QStringLiteral("/lankitctl"), program));
    }
    void setKey(const char *key, const QString &value)
    {
        QSettings(JXConfigure::filePath(), QSettings::IniFormat).setValue(key, value);
    }
    // A station of its own: lankitctl in a folder of its own beside the same libraries,
    // with the configuration naming the station.
    QString stationProgram(const QString &station)
    {
        const QString dir = app.path() + QLatin1Char('/') + station;
        const QString config =
            dir + QLatin1Char('/') + QDir(app.path()).relativeFilePath(JXConfigure::filePath());
        QDir().mkpath(QFileInfo(config).absolutePath());
        for (const QFileInfo &entry : QDir(app.path()).entryInfoList(QDir::Files)) {
            if (entry.fileName() != QLatin1String("lankitctl"))
                QFile::link(entry.absoluteFilePath(), dir + QLatin1Char('/') + entry.fileName());
        }
        // Copied, not linked: a program's folder is where its file really is.
        QFile::copy(program, dir + QStringLiteral("/lankitctl"));
        QFile::copy(JXConfigure::filePath(), config);
        QSettings(config, QSettings::IniFormat).setValue(OmbrixLabelRegister::kStationKey, station);
        return dir + QStringLiteral("/lankitctl");
    }
    // lankitctl print-label for code at station, started, not waited for.
    static std::unique_ptr<QProcess> start(const QString &station, const QString &code)
    {
        auto process = std::make_unique<QProcess>();
        process->setWorkingDirectory(QFileInfo(station).absolutePath());
        process->start(station, {QStringLiteral("print-label"), QStringLiteral("--code"), code,
                                 QStringLiteral("--model"), QStringLiteral("KT4X-Q2"),
                                 QStringLiteral("--printer"), QLatin1String(kPlainQueue)});
        return process;
    }
    QString sql(const QString &statement)
    {
        return server->sql(address.mid(address.lastIndexOf('/') + 1), statement).trimmed();
    }

    static inline std::unique_ptr<PgServer> server;
    static inline int databases = 0;
    QString address;
    QString program;
};

// A shell loop of count labels of one station, each code its own.
std::unique_ptr<QProcess> stationLoop(const QString &program, const QString &station, int count)
{
    auto process = std::make_unique<QProcess>();
    // Each station spools in its own folder, as each station is its own machine.
    process->setWorkingDirectory(QFileInfo(program).absolutePath());
    process->start(
        QStringLiteral("sh"),
        {QStringLiteral("-c"),
         QStringLiteral("i=0; while [ $i -lt %1 ]; do i=$((i+1)); out=$(\"$0\" print-label "
                        "--code XX1234HXKT4R%2x$i --model KT4X-Q2 --printer %3) || "
                        "echo \"exit $? at $i: $out\"; done")
             .arg(count)
             .arg(station, QLatin1String(kPlainQueue)),
         program});
    return process;
}
} // namespace

// Four stations printing at once take every number once: as many jobs as printed rows,
// and no serial number twice, in the register or on the labels.
TEST_F(StationsTest, FourLoopsAtOnceGiveDistinctSerials)
{
    std::vector<std::unique_ptr<QProcess>> loops;
    for (int s = 0; s < kStations; ++s)
        loops.push_back(stationLoop(stationProgram(QStringLiteral("S%1").arg(s)),
                                    QStringLiteral("S%1").arg(s), kLabelsPerStation));
    QElapsedTimer clock;
    clock.start();
    for (auto &loop : loops) {
        ASSERT_TRUE(loop->waitForFinished(int(std::max<qint64>(1, kLoopsMs - clock.elapsed()))))
            << "the station loops did not end within " << kLoopsMs << " ms";
        EXPECT_EQ(loop->readAllStandardOutput().toStdString(), "") << "a label was not printed";
    }
    const int total = kStations * kLabelsPerStation;
    ASSERT_TRUE(waitForJobs(kPlainQueue, size_t(total)));
    EXPECT_EQ(jobs(kPlainQueue).size(), size_t(total));
    EXPECT_EQ(sql("SELECT count(*), count(DISTINCT serial_number) FROM lankit_labels WHERE "
                  "state = 'printed'"),
              QStringLiteral("%1|%1").arg(total));
    // On the labels: the serial number's picture differs from job to job.
    std::set<std::string> serialPictures;
    for (const std::string &job : jobs(kPlainQueue)) {
        const std::string picture = graphicDownload(job, "SNStr");
        ASSERT_FALSE(picture.empty()) << "a job without its serial number";
        EXPECT_TRUE(serialPictures.insert(picture).second) << "a serial number printed twice";
    }
    EXPECT_EQ(serialPictures.size(), size_t(total));
}

// One code at two stations at the same moment: the register's unique index lets one
// print, and the other is told the code was printed before.
TEST_F(StationsTest, SameCodeAtTwoStationsPrintsOnce)
{
    const QString a = stationProgram(QStringLiteral("A")), b = stationProgram(QStringLiteral("B"));
    for (int round = 0; round < kSameCodeRounds; ++round) {
        const QString code = QStringLiteral("XX1234HXKT4RTWICE%1").arg(round);
        auto first = start(a, code);
        auto second = start(b, code);
        ASSERT_TRUE(first->waitForFinished(kPairMs) && second->waitForFinished(kPairMs))
            << "a pair of print-label runs did not end within " << kPairMs << " ms";
        QList<int> codes = {first->exitCode(), second->exitCode()};
        std::sort(codes.begin(), codes.end());
        EXPECT_EQ(codes, (QList<int>{0, 4})) << "round " << round;
    }
    ASSERT_TRUE(waitForJobs(kPlainQueue, kSameCodeRounds));
    EXPECT_EQ(jobs(kPlainQueue).size(), size_t(kSameCodeRounds));
}

// The screen shows the register's next number, and asks about a code lankitctl printed
// at another station, naming it.
TEST_F(StationsTest, ScreenShowsTheRegistersNumberAndAsksAboutOtherStations)
{
    setKey(OmbrixLabelRegister::kStationKey, QStringLiteral("line2"));
    int code = -1;
    for (const char *scanned : {"XX1234HXKT4R00A1B1", "XX1234HXKT4R00A1B2"})
        runProgram(program,
                   {"print-label", "--code", scanned, "--model", "M", "--printer", kPlainQueue},
                   &code);
    ASSERT_EQ(code, 0);
    // The register allocates: a serial number chosen by the script is refused unrecorded.
    runProgram(program,
               {"print-label", "--code", "XX1234HXKT4R00A1B4", "--model", "M", "--serial",
                "SN-00077", "--printer", kPlainQueue},
               &code);
    EXPECT_EQ(code, 2);
    setKey(OmbrixLabelRegister::kStationKey, QStringLiteral("line1"));
    dialog = std::make_unique<JXScanCodePrinterDialog>();
    dialog->show();
    EXPECT_EQ(serial(), "SN-00003");
    EXPECT_FALSE(dialog->findChild<QLabel *>("recordWarning")->isVisible());
    type("model", "KT4X-Q2");

    QStringList asked;
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&asked] {
        auto *alert = qobject_cast<JXAlertDialog *>(QApplication::activeModalWidget());
        if (!alert || !alert->isVisible())
            return;
        asked << alert->findChild<QLabel *>()->text();
        QWidget *focus = alert->focusWidget();
        QTest::keyClick(focus ? focus : alert, Qt::Key_Return);
    });
    answer.start();
    scan("XX1234HXKT4R00A1B2");
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains("Station: line2")) << qPrintable(asked[0]);
    EXPECT_TRUE(asked[0].contains("Product SN: SN-00002")) << qPrintable(asked[0]);
    scan("XX1234HXKT4R00A1B3");
    EXPECT_EQ(serial(), "SN-00004");
    ASSERT_TRUE(waitForJobs(kPlainQueue, 3));
    EXPECT_EQ(sql("SELECT station, serial, state FROM lankit_labels ORDER BY id"),
              "line2|SN-00001|printed\nline2|SN-00002|printed\nline1||skipped\n"
              "line1|SN-00003|printed");
}

// No label without its record: a register that cannot be reached shows the line and
// prints nothing, at opening and at every scan.
TEST_F(StationsTest, ScreenPrintsNothingWhileTheRegisterIsAway)
{
    // Port 1 on loopback: nothing listens, the connection is refused at once.
    setKey(OmbrixLabelRegister::kRegisterKey,
           QStringLiteral("postgresql://lankit@127.0.0.1:1/line"));
    dialog = std::make_unique<JXScanCodePrinterDialog>();
    dialog->show();
    const QLabel *warning = dialog->findChild<QLabel *>("recordWarning");
    EXPECT_TRUE(warning->isVisible());
    EXPECT_TRUE(warning->text().startsWith("The label register cannot be reached: "))
        << qPrintable(warning->text());
    EXPECT_FALSE(warning->text().contains(server->password()));
    type("model", "KT4X-Q2");
    scan("XX1234HXKT4R00A1B2");
    scan("XX1234HXKT4R00A1B3");
    EXPECT_TRUE(warning->isVisible());
    EXPECT_TRUE(jobs(kPlainQueue).empty());
}
