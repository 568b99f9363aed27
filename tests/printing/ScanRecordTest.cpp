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
#include <QTest>
#include <QTimer>

#include <cstdio>

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
    // The operator ticks the reprint question with the mouse.
    void askBeforeReprint()
    {
        auto *box = dialog->findChild<QCheckBox *>(QStringLiteral("reprintQuestion"));
        ASSERT_FALSE(box->isChecked());
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
        ASSERT_TRUE(box->isChecked());
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
    constexpr int kScans = 1000;
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

TEST_F(ScanRecordTest, DuplicateAsksAndByDefaultPrintsNothing)
{
    openDialog();
    askBeforeReprint();
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
    EXPECT_EQ(parsed(lines[3]).result, "printed");
    EXPECT_EQ(parsed(lines[3]).serial, "SN-00042");
}

// Unticked (as it starts), a code printed before is printed again without a question.
TEST_F(ScanRecordTest, WithoutTheQuestionReprintsAreSilent)
{
    openDialog();
    Operator carriageReturn(false);
    scan("XX1234HXKT4R00A1B2");
    scan("XX1234HXKT4R00A1B2");
    EXPECT_TRUE(carriageReturn.asked.isEmpty());
    EXPECT_EQ(serial(), "SN-00043");
    // The choice is kept for the next time the screen opens.
    askBeforeReprint();
    openDialog();
    EXPECT_TRUE(dialog->findChild<QCheckBox *>(QStringLiteral("reprintQuestion"))->isChecked());
    scan("XX1234HXKT4R00A1B2");
    EXPECT_EQ(carriageReturn.asked.size(), 1);
    EXPECT_EQ(serial(), "SN-00041");
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
    askBeforeReprint();
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

// Run only as the child of LabelsSurviveAKill: prints labels until it is killed, saying
// on standard output when each has been recorded.
TEST(ScanRecordChild, PrintsUntilKilled)
{
    const QString appDir = qEnvironmentVariable("LANKIT_LABEL_CHILD_APP");
    if (appDir.isEmpty())
        GTEST_SKIP() << "runs only as a child of ScanRecordTest.LabelsSurviveAKill";
    JXAppPaths::setApplicationDirForTesting(appDir);
    JXScanCodePrinterDialog dialog;
    dialog.show();
    auto *scanField = dialog.findChild<QLineEdit *>(QStringLiteral("scan"));
    dialog.findChild<QLineEdit *>(QStringLiteral("model"))->setText(QStringLiteral("KT4X-Q2"));
    dialog.findChild<QLineEdit *>(QStringLiteral("serial"))->setText(QStringLiteral("SN-00001"));
    for (int i = 0; i < 100000; ++i) {
        scanField->setText(QStringLiteral("XX1234HXKT4R%1").arg(i, 6, 10, QLatin1Char('0')));
        QTest::keyClick(scanField, Qt::Key_Return);
        std::printf("recorded %d\n", i + 1);
        std::fflush(stdout);
    }
}

TEST_F(ScanRecordTest, LabelsSurviveAKill)
{
    constexpr int kBeforeKill = 40;
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANKIT_LABEL_CHILD_APP"), app.path());
    child.setProcessEnvironment(environment); // CUPS_SERVER: this suite's scheduler
    child.setWorkingDirectory(work.path());
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=ScanRecordChild.PrintsUntilKilled")});
    ASSERT_TRUE(child.waitForStarted());
    int recorded = 0;
    QByteArray pending;
    while (recorded < kBeforeKill && child.waitForReadyRead(30000)) {
        pending += child.readAllStandardOutput();
        for (int at; (at = pending.indexOf('\n')) >= 0; pending.remove(0, at + 1)) {
            const QByteArray line = pending.left(at);
            if (line.startsWith("recorded "))
                recorded = line.mid(9).toInt();
        }
    }
    child.kill(); // SIGKILL: no destructor, no flush at exit
    child.waitForFinished();
    ASSERT_GE(recorded, kBeforeKill);

    // Every label reported before the kill is there, whole; at most one more, maybe cut.
    QList<QByteArray> lines = fileLines(labelsPath());
    ASSERT_GE(lines.size(), 1 + recorded);
    for (int i = 0; i < recorded; ++i) {
        const OmbrixLabelLog::Entry entry = parsed(lines[1 + i]);
        EXPECT_EQ(entry.code, QStringLiteral("HXKT4R%1").arg(i, 6, 10, QLatin1Char('0')));
        EXPECT_EQ(entry.result, "printed");
    }
    // The next run knows them all and carries on below them.
    openDialog();
    askBeforeReprint();
    Operator carriageReturn(false);
    scan("XX1234HXKT4R000000");
    EXPECT_EQ(carriageReturn.asked.size(), 1);
    scan(QStringLiteral("XX1234HXKT4R%1").arg(recorded - 1, 6, 10, QLatin1Char('0')));
    EXPECT_EQ(carriageReturn.asked.size(), 2);
    scan("XX1234HXKT4R999999");
    EXPECT_EQ(carriageReturn.asked.size(), 2);
    lines = fileLines(labelsPath());
    EXPECT_EQ(parsed(lines.last()).code, "HXKT4R999999");
    EXPECT_EQ(parsed(lines.last()).result, "printed");
}

// A line controller's label: lankitctl, run from the program's folder, prints through the
// same binding and records the same line as the scan screen.
TEST_F(ScanRecordTest, ScriptedLabelMatchesTheDialog)
{
    openDialog();
    scan("XX1234HXKT4R00A1B2");
    ASSERT_EQ(serial(), "SN-00042");
    dialog.reset();
    const QString program = app.path() + "/lankitctl";
    ASSERT_TRUE(QFile::copy(testBinDir() + "/lankitctl", program));
    const auto run = [&program](QStringList arguments, int *code) {
        arguments.prepend(QStringLiteral("print-label"));
        return QJsonDocument::fromJson(runProgram(program, arguments, code)).object();
    };
    int code = -1;
    QJsonObject out = run({"--code", "XX1234HXKT4R00A1B2", "--model", "KT4X-Q2", "--serial",
                           "SN-00041", "--printer", kPlainQueue},
                          &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out.value("nextSerial").toString(), "SN-00042");
    EXPECT_EQ(out.value("result").toString(), "printed");
    ASSERT_TRUE(waitForJobs(kPlainQueue, 2));
    const std::vector<std::string> printed = jobs(kPlainQueue);
    EXPECT_EQ(printed.at(1), printed.at(0));
    QList<QByteArray> lines = fileLines(labelsPath());
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[2].mid(lines[2].indexOf(',')), lines[1].mid(lines[1].indexOf(',')));

    // Without --printer: lankit's printer. A refused code is recorded, a code that is not a
    // device's is not.
    out = run({"--code", "HXKT4R9", "--model", "M", "--serial", "A-7"}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out.value("printer").toString(), kPlainQueue);
    EXPECT_EQ(out.value("nextSerial").toString(), "A-00008");
    out = run({"--code", "XX1234HXKT4R00\"A", "--model", "M", "--serial", "A-8"}, &code);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(out.value("result").toString(), "refused: unprintable characters");
    EXPECT_EQ(out.value("nextSerial").toString(), "A-8");
    out = run({"--code", "ABCDEF", "--model", "M", "--serial", "A-8"}, &code);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(out.value("error").toString(), "not a device code");
    run({"--code", "HXKT4R9", "--model", "M"}, &code);
    EXPECT_EQ(code, 2);
    lines = fileLines(labelsPath());
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(parsed(lines[3]).code, "HXKT4R9");
    EXPECT_EQ(parsed(lines[4]).result, "refused: unprintable characters");
    EXPECT_TRUE(waitForJobs(kPlainQueue, 3));
}

} // namespace
