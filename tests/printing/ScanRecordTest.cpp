// The scan screen's label record and duplicate guard, driven by key events as the scanner
// and the operator drive them, with the labels received by the private CUPS scheduler.
#include "JXUtils/JXAppPaths.h"
#include "JXUtils/JXConfigure.h"
#include "JXWidget/JXDialog/JXAlertDialog.h"
#include "ScanScreenTest.h"
#include "app/OmbrixLabelLog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

QList<QByteArray> fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Answers every reprint question shown while it lives, as the operator would: a carriage
// return (the default answer) or a click on "Print again".
class Operator
{
public:
    explicit Operator(bool printAgain)
    {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this, printAgain] {
            auto *alert = qobject_cast<JXAlertDialog *>(QApplication::activeModalWidget());
            if (!alert || !alert->isVisible())
                return;
            asked << alert->findChild<QLabel *>()->text();
            if (!printAgain) {
                QWidget *focus = alert->focusWidget();
                QTest::keyClick(focus ? focus : alert, Qt::Key_Return);
                return;
            }
            for (QPushButton *button : alert->findChildren<QPushButton *>()) {
                if (button->text() == QLatin1String("Print again"))
                    button->click();
            }
        });
        timer.start();
    }
    QStringList asked;

private:
    QTimer timer;
};

class ScanRecordTest : public ScanScreenTest
{
protected:
    void SetUp() override
    {
        PrintingTest::SetUp();
        configure(kPlainQueue);
    }
    QCheckBox *reprintQuestion() const
    {
        return dialog->findChild<QCheckBox *>(QStringLiteral("reprintQuestion"));
    }
    // The operator unticks the reprint question with the mouse.
    void printAgainWithoutAsking()
    {
        ASSERT_TRUE(reprintQuestion()->isChecked());
        QTest::mouseClick(reprintQuestion(), Qt::LeftButton, {},
                          QPoint(5, reprintQuestion()->height() / 2));
        ASSERT_FALSE(reprintQuestion()->isChecked());
    }
    QLabel *recordWarning() const
    {
        return dialog->findChild<QLabel *>(QStringLiteral("recordWarning"));
    }
    static QString labelsPath() { return JXAppPaths::dataDir() + "/log/labels.csv"; }
    static OmbrixLabelLog::Entry parsed(const QByteArray &line)
    {
        OmbrixLabelLog::Entry entry;
        EXPECT_TRUE(OmbrixLabelLog::parseLine(line, &entry)) << line.constData();
        return entry;
    }
};

TEST_F(ScanRecordTest, EveryScanIsRecorded)
{
    const int kScans = soakSize(1000, 100);
    openDialog();
    for (int i = 0; i < kScans; ++i)
        scan(QStringLiteral("XX1234HXKT4R%1").arg(i, 6, 10, QLatin1Char('0')));
    EXPECT_EQ(serial(), QStringLiteral("SN-%1").arg(41 + kScans, 5, 10, QLatin1Char('0')));
    // A refused scan, a scan without serial number and a failed print are recorded too.
    field("scan")->setText(QStringLiteral("XX1234HXKT4R00\"A1B2"));
    QTest::keyClick(field("scan"), Qt::Key_Return);
    type("serial", "");
    scan("XX1234HXKT4R777777");
    type("serial", "SN-09000");
    configure(kStoppedQueue);
    scan("XX1234HXKT4R888888");
    EXPECT_EQ(serial(), "SN-09000");
    // Not a device code: nothing is printed, nothing is recorded.
    scan("ABCDEF");

    const QList<QByteArray> lines = fileLines(labelsPath());
    ASSERT_EQ(lines.size(), 1 + kScans + 3);
    EXPECT_EQ(lines[0], OmbrixLabelLog::kHeader);
    for (int i = 0; i < kScans; ++i) {
        const OmbrixLabelLog::Entry entry = parsed(lines[1 + i]);
        EXPECT_EQ(entry.code, QStringLiteral("HXKT4R%1").arg(i, 6, 10, QLatin1Char('0')));
        EXPECT_EQ(entry.serial, QStringLiteral("SN-%1").arg(41 + i, 5, 10, QLatin1Char('0')));
        EXPECT_EQ(entry.model, "KT4X-Q2");
        EXPECT_EQ(entry.printer, kPlainQueue);
        EXPECT_EQ(entry.pitch, 0.85);
        EXPECT_EQ(entry.result, "printed");
        EXPECT_LE(qAbs(entry.time.secsTo(QDateTime::currentDateTime())), 300);
        ASSERT_EQ(OmbrixLabelLog::formatLine(entry), lines[1 + i]); // nothing else in it
    }
    const OmbrixLabelLog::Entry refused = parsed(lines[kScans + 1]);
    EXPECT_EQ(refused.code, "HXKT4R00\"A1B2");
    EXPECT_EQ(refused.result, "refused: unprintable characters");
    EXPECT_EQ(parsed(lines[kScans + 2]).result, "refused: no serial number");
    const OmbrixLabelLog::Entry failed = parsed(lines[kScans + 3]);
    EXPECT_EQ(failed.code, "HXKT4R888888");
    EXPECT_EQ(failed.serial, "SN-09000");
    EXPECT_EQ(failed.printer, kStoppedQueue);
    EXPECT_TRUE(failed.result.startsWith("failed: ")) << failed.result.toStdString();
    EXPECT_TRUE(cups->waitForJobs(kPlainQueue, kScans, 60000));
}

// With no "reprint question" in the configuration the question is asked.
TEST_F(ScanRecordTest, DuplicateAsksAndByDefaultPrintsNothing)
{
    openDialog();
    scan("XX1234HXKT4R00A1B2");
    ASSERT_EQ(serial(), "SN-00042");
    const QString earlier = QString::fromUtf8(fileLines(labelsPath()).at(1).left(19));
    {
        Operator carriageReturn(false);
        scan("XX1234HXKT4R00A1B2");
        ASSERT_EQ(carriageReturn.asked.size(), 1);
        EXPECT_EQ(carriageReturn.asked[0],
                  "This code was printed before\nProduct SN: SN-00041\n" + earlier);
    }
    EXPECT_EQ(serial(), "SN-00042");
    EXPECT_EQ(field("scan")->text(), "HXKT4R00A1B2");
    QList<QByteArray> lines = fileLines(labelsPath());
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(parsed(lines[2]).result, "skipped: printed before");
    EXPECT_EQ(parsed(lines[2]).serial, "SN-00042");
    {
        Operator printAgain(true);
        scan("XX1234HXKT4R00A1B2");
        EXPECT_EQ(printAgain.asked.size(), 1);
        // A different code is not asked about.
        scan("XX1234HXKT4R00A1B3");
        EXPECT_EQ(printAgain.asked.size(), 1);
    }
    EXPECT_EQ(serial(), "SN-00044");
    ASSERT_TRUE(waitForJobs(kPlainQueue, 3));
    QTest::qWait(300);
    EXPECT_EQ(jobs(kPlainQueue).size(), 3u);
    lines = fileLines(labelsPath());
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(parsed(lines[3]).result, "reprinted");
    EXPECT_EQ(parsed(lines[3]).serial, "SN-00042");
    EXPECT_EQ(parsed(lines[4]).result, "printed");
}

// Unticked, a code printed before is printed again without a question, and the choice
// is kept for the next time the screen opens.
TEST_F(ScanRecordTest, WithoutTheQuestionReprintsAreSilent)
{
    openDialog();
    printAgainWithoutAsking();
    Operator carriageReturn(false);
    scan("XX1234HXKT4R00A1B2");
    scan("XX1234HXKT4R00A1B2");
    EXPECT_TRUE(carriageReturn.asked.isEmpty());
    EXPECT_EQ(serial(), "SN-00043");
    openDialog();
    EXPECT_FALSE(reprintQuestion()->isChecked());
    EXPECT_TRUE(waitForJobs(kPlainQueue, 2));
}

// While labels.csv cannot be written the screen says so at once and for as long as it
// lasts; with the question on it prints nothing, with it off it prints and warns. Once
// the file can be written again, labels print and are recorded.
TEST_F(ScanRecordTest, NoLabelWithoutItsRecord)
{
    QDir().mkpath(labelsPath()); // a folder where the file should be
    openDialog();
    ASSERT_TRUE(recordWarning()->isVisible());
    EXPECT_TRUE(recordWarning()->text().startsWith("Labels cannot be recorded: " + labelsPath()));
    EXPECT_TRUE(recordWarning()->text().endsWith("Nothing is printed until they can."));
    EXPECT_LE(recordWarning()->geometry().bottom(), dialog->height());
    scan("XX1234HXKT4R00A1B2");
    EXPECT_EQ(serial(), "SN-00041");
    QTest::qWait(300);
    EXPECT_TRUE(cups->jobs(kPlainQueue).empty());

    printAgainWithoutAsking();
    EXPECT_TRUE(recordWarning()->text().endsWith("Labels are printed without a record."));
    scan("XX1234HXKT4R00A1B2");
    EXPECT_EQ(serial(), "SN-00042");
    EXPECT_TRUE(waitForJobs(kPlainQueue, 1));
    EXPECT_TRUE(recordWarning()->isVisible());

    ASSERT_TRUE(QDir(labelsPath()).removeRecursively());
    scan("XX1234HXKT4R00A1B3");
    EXPECT_FALSE(recordWarning()->isVisible());
    const QList<QByteArray> lines = fileLines(labelsPath());
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(parsed(lines[1]).serial, "SN-00042");
    EXPECT_TRUE(waitForJobs(kPlainQueue, 2));
}

// Codes printed in an earlier run are known from the file; failed and refused ones are not
// duplicates.
TEST_F(ScanRecordTest, EarlierRunsAreRemembered)
{
    QDir().mkpath(JXAppPaths::dataDir() + "/log");
    {
        QFile file(labelsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("time,code,model,serial,printer,dot_pitch,result\n"
                   "2026-01-02 03:04:05.006,HXKT4R000001,KT4X-Q2,SN-00007,OMBRIX_T1,0.85,printed\n"
                   "2026-01-02 03:04:06.006,HXKT4R000002,KT4X-Q2,SN-00008,OMBRIX_T1,0.85,"
                   "failed: print job failed (-1)\n");
    }
    openDialog();
    Operator carriageReturn(false);
    scan("XX1234HXKT4R000002");
    EXPECT_TRUE(carriageReturn.asked.isEmpty());
    EXPECT_EQ(serial(), "SN-00042");
    scan("XX1234HXKT4R000001");
    ASSERT_EQ(carriageReturn.asked.size(), 1);
    EXPECT_EQ(carriageReturn.asked[0],
              "This code was printed before\nProduct SN: SN-00007\n2026-01-02 03:04:05");
    EXPECT_EQ(serial(), "SN-00042");
    ASSERT_TRUE(waitForJobs(kPlainQueue, 1));
    EXPECT_EQ(fileLines(labelsPath()).size(), 5);
}

// Run only as the child of SerialsSurviveKills: opens the screen as the program would
// (model and serial number as the last run left them) and scans the codes from
// LANKIT_LABEL_CHILD_FROM on, key by key, saying on standard output when each is done.
TEST(ScanRecordChild, ScansUntilKilled)
{
    const QString appDir = qEnvironmentVariable("LANKIT_LABEL_CHILD_APP");
    if (appDir.isEmpty())
        GTEST_SKIP() << "runs only as a child of ScanRecordTest.SerialsSurviveKills";
    JXAppPaths::setApplicationDirForTesting(appDir);
    JXScanCodePrinterDialog dialog;
    dialog.show();
    auto *scanField = dialog.findChild<QLineEdit *>(QStringLiteral("scan"));
    auto *serialField = dialog.findChild<QLineEdit *>(QStringLiteral("serial"));
    if (serialField->text().isEmpty()) {
        dialog.findChild<QLineEdit *>(QStringLiteral("model"))->setText(QStringLiteral("KT4X-Q2"));
        serialField->setText(QStringLiteral("SN-00001"));
    }
    const int to = qEnvironmentVariableIntValue("LANKIT_LABEL_CHILD_TO");
    for (int i = qEnvironmentVariableIntValue("LANKIT_LABEL_CHILD_FROM"); i < to; ++i) {
        QTest::keyClicks(scanField, QStringLiteral("XX1234HXKT4R%1").arg(i, 6, 10, QChar('0')));
        QTest::keyClick(scanField, Qt::Key_Return);
        std::printf("scanned %d\n", i);
        std::fflush(stdout);
    }
}

// kill -9 at random moments of a run of scans, the screen started again after each: no
// serial number is printed twice, in the jobs the printer got or in labels.csv, and none
// goes backwards. Every scan reported done before a kill is recorded.
TEST_F(ScanRecordTest, SerialsSurviveKills)
{
    const int kScans = soakSize(500, 100);
    const int kKills = soakSize(10, 3);
    JXConfigure().setReprintQuestion(false); // the scan cut short by a kill is scanned again
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::vector<int> killAfter;
    while (killAfter.size() < size_t(kKills)) {
        const int at = std::uniform_int_distribution<int>(0, kScans - 2)(random);
        if (std::find(killAfter.begin(), killAfter.end(), at) == killAfter.end())
            killAfter.push_back(at);
    }
    std::sort(killAfter.begin(), killAfter.end());
    killAfter.push_back(kScans - 1); // the last run ends by itself

    int next = 0; // the first scan not reported done
    for (const int last : killAfter) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LANKIT_LABEL_CHILD_APP"), app.path());
        environment.insert(QStringLiteral("LANKIT_LABEL_CHILD_FROM"), QString::number(next));
        environment.insert(QStringLiteral("LANKIT_LABEL_CHILD_TO"), QString::number(kScans));
        child.setProcessEnvironment(environment); // CUPS_SERVER: this suite's scheduler
        child.setWorkingDirectory(work.path());
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=ScanRecordChild.ScansUntilKilled")});
        ASSERT_TRUE(child.waitForStarted());
        QByteArray pending;
        while (next <= last) {
            ASSERT_TRUE(child.waitForReadyRead(30000)) << "no scan done after " << next;
            pending += child.readAllStandardOutput();
            for (int at; (at = pending.indexOf('\n')) >= 0; pending.remove(0, at + 1)) {
                if (pending.startsWith("scanned "))
                    next = pending.mid(8, at - 8).toInt() + 1;
            }
        }
        if (last == kScans - 1) {
            ASSERT_TRUE(child.waitForFinished(30000));
            break;
        }
        // Somewhere inside the next label: they take some 10 to 60 ms each.
        QThread::usleep(std::uniform_int_distribution<unsigned>(0, 40000)(random));
        child.kill(); // SIGKILL: no destructor, no flush at exit
        ASSERT_TRUE(child.waitForFinished(30000));
        const QList<QByteArray> lines = fileLines(labelsPath());
        QSet<QString> recorded;
        for (int i = 1; i < lines.size(); ++i)
            recorded.insert(parsed(lines[i]).code);
        for (int i = 0; i < next; ++i)
            ASSERT_TRUE(recorded.contains(QStringLiteral("HXKT4R%1").arg(i, 6, 10, QChar('0'))))
                << "scan " << i << " done but not recorded";
    }

    // Serial numbers in labels.csv: one line per printed label, each above the one before.
    const QList<QByteArray> lines = fileLines(labelsPath());
    QSet<QString> codes;
    int lastNumber = 0;
    for (int i = 1; i < lines.size(); ++i) {
        const OmbrixLabelLog::Entry entry = parsed(lines[i]);
        ASSERT_EQ(entry.result, "printed") << lines[i].constData();
        const int number = entry.serial.mid(3).toInt();
        EXPECT_GT(number, lastNumber) << lines[i].constData();
        lastNumber = number;
        codes.insert(entry.code);
    }
    EXPECT_EQ(codes.size(), kScans);
    // The jobs the printer got: the serial number's picture differs from job to job (the
    // same text always renders the same bytes).
    ASSERT_TRUE(cups->waitForJobs(kPlainQueue, size_t(lines.size() - 1), 120000));
    QTest::qWait(500);
    std::set<std::string> serialPictures;
    const std::vector<std::string> printed = jobs(kPlainQueue);
    for (const std::string &job : printed) {
        const std::string picture = graphicDownload(job, "SNStr");
        ASSERT_FALSE(picture.empty());
        EXPECT_TRUE(serialPictures.insert(picture).second) << "a serial number printed twice";
    }
    EXPECT_GE(printed.size(), size_t(lines.size() - 1));
    // Opened again, the screen carries on after the last label.
    dialog = std::make_unique<JXScanCodePrinterDialog>();
    EXPECT_EQ(serial(), QStringLiteral("SN-%1").arg(lastNumber + 1, 5, 10, QChar('0')));
    EXPECT_EQ(field("model")->text(), "KT4X-Q2");
}

// A line controller's label: lankitctl, run from the program's folder, prints through the
// same binding and records the same line as the scan screen. Each exit status is met for
// real: 0 printed and recorded, 1 not printed, 3 printed but not recorded, 4 printed before.
TEST_F(ScanRecordTest, ScriptedLabelExitStatus)
{
    openDialog();
    scan("XX1234HXKT4R00A1B2");
    ASSERT_EQ(serial(), "SN-00042");
    dialog.reset();
    const QString program = app.path() + "/lankitctl";
    ASSERT_TRUE(QFile::copy(testBinDir() + "/lankitctl", program));
    int code = -1;
    const auto run = [&program, &code](QStringList arguments) {
        arguments.prepend(QStringLiteral("print-label"));
        return QJsonDocument::fromJson(runProgram(program, arguments, &code)).object();
    };
    const QStringList label = {"--code",   "XX1234HXKT4R00A1B2", "--model",   "KT4X-Q2",
                               "--serial", "SN-00041",           "--printer", kPlainQueue};
    // The reprint question is on: the dialog's code is refused, and the refusal recorded.
    QJsonObject out = run(label);
    EXPECT_EQ(code, 4);
    EXPECT_EQ(out.value("result").toString(), "skipped: printed before");
    EXPECT_EQ(out.value("earlierSerial").toString(), "SN-00041");
    EXPECT_EQ(out.value("nextSerial").toString(), "SN-00041");
    // On purpose: printed again, byte for byte the dialog's label, and recorded as a reprint.
    out = run(label + QStringList{"--reprint"});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out.value("result").toString(), "reprinted");
    EXPECT_EQ(out.value("nextSerial").toString(), "SN-00042");
    EXPECT_TRUE(out.value("recorded").toBool());
    ASSERT_TRUE(waitForJobs(kPlainQueue, 2));
    EXPECT_EQ(jobs(kPlainQueue).at(1), jobs(kPlainQueue).at(0));
    // Without --printer: lankit's printer.
    out = run({"--code", "HXKT4R9", "--model", "M", "--serial", "A-7"});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out.value("printer").toString(), kPlainQueue);
    EXPECT_EQ(out.value("nextSerial").toString(), "A-00008");
    // Not printed: a stopped queue and an unprintable code are recorded; a code that is not
    // a device's and a serial number that cannot advance are not.
    out =
        run({"--code", "HXKT4R10", "--model", "M", "--serial", "A-8", "--printer", kStoppedQueue});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(out.value("result").toString().startsWith("failed: "));
    out = run({"--code", "XX1234HXKT4R00\"A", "--model", "M", "--serial", "A-8"});
    EXPECT_EQ(code, 1);
    EXPECT_EQ(out.value("result").toString(), "refused: unprintable characters");
    EXPECT_EQ(out.value("nextSerial").toString(), "A-8");
    out = run({"--code", "ABCDEF", "--model", "M", "--serial", "A-8"});
    EXPECT_EQ(code, 1);
    EXPECT_EQ(out.value("error").toString(), "not a device code");
    out = run({"--code", "HXKT4R11", "--model", "M", "--serial", "SN--0001"});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(out.value("error").toString().startsWith("--serial must end in a number"));
    // Without --serial the number comes from the station's count, where the dialog left it.
    out = run({"--code", "HXKT4R13", "--model", "M"});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out.value("serial").toString(), "SN-00042");
    EXPECT_EQ(out.value("nextSerial").toString(), "SN-00043");
    const QList<QByteArray> lines = fileLines(labelsPath());
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(parsed(lines[2]).result, "skipped: printed before");
    OmbrixLabelLog::Entry reprint = parsed(lines[3]);
    EXPECT_EQ(reprint.result, "reprinted");
    reprint.time = parsed(lines[1]).time;
    reprint.result = QStringLiteral("printed");
    EXPECT_EQ(OmbrixLabelLog::formatLine(reprint), lines[1]);
    EXPECT_EQ(parsed(lines[4]).code, "HXKT4R9");
    EXPECT_EQ(parsed(lines[5]).printer, kStoppedQueue);
    EXPECT_EQ(parsed(lines[6]).result, "refused: unprintable characters");
    EXPECT_EQ(parsed(lines[7]).serial, "SN-00042");

    // labels.csv cannot be written: with the question on nothing prints (1); with it off
    // the label prints and the script is told not to print it again (3).
    ASSERT_TRUE(QFile::rename(labelsPath(), labelsPath() + ".kept"));
    ASSERT_TRUE(QDir().mkpath(labelsPath()));
    out = run({"--code", "HXKT4R12", "--model", "M", "--serial", "A-8"});
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(out.value("error").toString().startsWith("cannot record in "));
    JXConfigure().setReprintQuestion(false);
    out = run({"--code", "HXKT4R12", "--model", "M", "--serial", "A-8"});
    EXPECT_EQ(code, 3);
    EXPECT_EQ(out.value("result").toString(), "printed");
    EXPECT_FALSE(out.value("recorded").toBool());
    EXPECT_EQ(out.value("nextSerial").toString(), "A-00009");
    ASSERT_TRUE(waitForJobs(kPlainQueue, 5));
    QTest::qWait(300);
    EXPECT_EQ(jobs(kPlainQueue).size(), 5u);
    EXPECT_TRUE(cups->jobs(kStoppedQueue).empty());
}

} // namespace
