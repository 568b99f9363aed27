// The scan-code label screen driven as the scanner and the operator drive it: keys typed
// into its fields, a carriage return at the end of each scan, labels received by the
// private CUPS scheduler.
#include "JXUtils/JXAppPaths.h"
#include "JXUtils/JXConfigure.h"
#include "JXWidget/JXLabel.h"
#include "ScanScreenTest.h"
#include "app/OmbrixLabelPreviewWidget.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

class ScanDialogTest : public ScanScreenTest
{
protected:
    // These tests scan one code many times: the reprint question is turned off.
    void SetUp() override
    {
        PrintingTest::SetUp();
        configure(kPlainQueue);
        JXConfigure().setReprintQuestion(false);
        openDialog();
    }
    OmbrixLabelPreviewWidget *panel() const
    {
        return dialog->findChild<OmbrixLabelPreviewWidget *>(QStringLiteral("labelPreview"));
    }
    // Where every widget of the dialog sits, except the panel and a toast.
    std::vector<QRect> fieldGeometries() const
    {
        std::vector<QRect> all;
        for (const QWidget *widget : dialog->findChildren<QWidget *>()) {
            if (qobject_cast<const QLineEdit *>(widget) ||
                qobject_cast<const QCheckBox *>(widget) ||
                (qobject_cast<const QLabel *>(widget) && !qobject_cast<const JXLabel *>(widget)))
                all.push_back(widget->geometry());
        }
        return all;
    }
    static QByteArray labelsFile()
    {
        QFile file(JXAppPaths::dataDir() + "/log/labels.csv");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString toast() const
    {
        const auto toasts = dialog->findChildren<JXLabel *>();
        return toasts.isEmpty() ? QString() : toasts.last()->text();
    }
    // The QR command of each label printed so far.
    std::vector<std::string> printedCodes(size_t expected)
    {
        if (expected > 0) {
            EXPECT_TRUE(waitForJobs(kPlainQueue, expected));
        }
        std::vector<std::string> codes;
        for (const std::string &job : jobs(kPlainQueue)) {
            for (const std::string &line : commandLines(job)) {
                if (line.rfind("b", 0) == 0)
                    codes.push_back(line.substr(line.find('"')));
            }
        }
        return codes;
    }
};

} // namespace

TEST_F(ScanDialogTest, EachScanPrintsItsIdentifier)
{
    scan("XX1234HXKT4R00A1B2");
    EXPECT_EQ(field("scan")->text(), "HXKT4R00A1B2");
    EXPECT_EQ(serial(), "SN-00042");
    scan("HXKT4R00A1B2"); // the marker at 0 is not searched for, the whole scan holds it
    EXPECT_EQ(serial(), "SN-00043");
    scan("ABCDEF");
    EXPECT_EQ(field("scan")->text(), "ABCDEF");
    scan("0123456HXJT4R77");
    EXPECT_EQ(field("scan")->text(), "HXJT4R77");
    EXPECT_EQ(serial(), "SN-00044");
    const std::vector<std::string> expected = {"\"HXKT4R00A1B2\"", "\"HXKT4R00A1B2\"",
                                               "\"HXJT4R77\""};
    EXPECT_EQ(printedCodes(3), expected);
    // Escape is not passed on: the screen stays open.
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
}

// The number is every digit after the first "-": nothing wraps round or goes backwards. A
// serial that cannot advance is refused before anything is printed or recorded.
TEST_F(ScanDialogTest, SerialNumberAdvancesAfterEachLabel)
{
    const char *const serials[][2] = {{"SN-00041", "SN-00042"},
                                      {"SN-99999", "SN-100000"},
                                      {"SN-100000", "SN-100001"},
                                      {"SN-0", "SN-00001"},
                                      {"SN-123456", "SN-123457"},
                                      {"SN-0000041", "SN-0000042"},
                                      {"00041", "00042"},
                                      {"99999999999999999999", "100000000000000000000"},
                                      {"SN-", nullptr},
                                      {"SN--0001", nullptr},
                                      {"SN-12a", nullptr},
                                      {"SN-X", nullptr},
                                      {"A0041", nullptr},
                                      {"SN-+5", nullptr},
                                      {"SN- 5", nullptr},
                                      {"SN-5 ", nullptr},
                                      {"SN-1.5", nullptr},
                                      {"SN-\xd9\xa3", nullptr},
                                      {"SN-\xef\xbc\x95", nullptr}}; // Arabic-Indic, full-width
    size_t printed = 0;
    for (const auto &pair : serials) {
        const QString before = QString::fromUtf8(pair[0]);
        field("serial")->setText(before); // the test's keys are ASCII only
        const QByteArray recorded = labelsFile();
        scan("XX1234HXKT4R00A1B2");
        if (pair[1]) {
            EXPECT_EQ(serial(), pair[1]) << pair[0];
            ++printed;
            continue;
        }
        EXPECT_EQ(serial(), before) << pair[0];
        EXPECT_EQ(toast(), "Product SN must end in a number, such as SN-00001") << pair[0];
        EXPECT_EQ(labelsFile(), recorded) << pair[0];
    }
    EXPECT_EQ(printedCodes(printed).size(), printed);
    QTest::qWait(200);
    EXPECT_EQ(jobs(kPlainQueue).size(), printed);
}

TEST_F(ScanDialogTest, MissingModelOrSerialPrintsNothing)
{
    type("model", "");
    scan("XX1234HXKT4R00A1B2");
    EXPECT_EQ(toast(), "Please set model first");
    EXPECT_EQ(field("scan")->text(), "XX1234HXKT4R00A1B2");
    type("model", "KT4X-Q2");
    type("serial", "");
    scan("XX1234HXKT4R00A1B2");
    EXPECT_EQ(toast(), "Please set SN first");
    EXPECT_TRUE(printedCodes(0).empty());
}

// The paddings are stored before the label is printed, so they move this very label.
TEST_F(ScanDialogTest, LeftPaddingMovesThisLabel)
{
    type("paddingLeft", "1.5");
    type("paddingTop", "x");
    scan("XX1234HXKT4R00A1B2");
    ASSERT_TRUE(waitForJobs(kPlainQueue, 1));
    const std::vector<std::string> lines = commandLines(jobs(kPlainQueue).at(0));
    EXPECT_EQ(lines.at(8), "GG285,172,\"ModelStr\"");
    EXPECT_EQ(lines.at(9).substr(0, 10), "b89,211,QR");
    expectStoredGeometry(1.5, 0);
}

// A code that would end the printer's QR command early is refused before anything is
// printed: the operator is told, the scheduler gets no job, the serial number stays.
TEST_F(ScanDialogTest, UnsafeScansAreRefused)
{
    const QString scans[] = {QStringLiteral("XX1234HXKT4R00\"A1B2"),
                             QStringLiteral("XX1234HXKT4R00\rW1,1"),
                             QStringLiteral("XX1234HXKT4R00\nW1,1"),
                             QStringLiteral("XX1234HXKT4R00") + QChar(0) + "A1B2",
                             QStringLiteral("XX1234HXKT4R00\u00e9A1B2"),
                             QStringLiteral("XX1234HXKT4R00\u4e2dA1B2")};
    for (const QString &text : scans) {
        field("scan")->setText(text);
        ASSERT_EQ(field("scan")->text(), text) << "the field changed the scan";
        QTest::keyClick(field("scan"), Qt::Key_Return);
        EXPECT_EQ(toast(), "Scan holds unprintable characters");
        EXPECT_EQ(serial(), "SN-00041");
    }
    EXPECT_TRUE(cups->jobs(kPlainQueue).empty());

    // A line ending at the end of the scan is not part of the code.
    field("scan")->setText("XX1234HXKT4R00A1B2\r\n");
    QTest::keyClick(field("scan"), Qt::Key_Return);
    EXPECT_EQ(serial(), "SN-00042");
    const std::vector<std::string> expected = {"\"HXKT4R00A1B2\""};
    EXPECT_EQ(printedCodes(1), expected);
}

TEST_F(ScanDialogTest, FailedPrintLeavesTheSerialNumber)
{
    configure(kStoppedQueue);
    scan("XX1234HXKT4R00A1B2");
    EXPECT_EQ(serial(), "SN-00041");
    EXPECT_EQ(field("scan")->text(), "HXKT4R00A1B2");
    configure(kPlainQueue);
    removeLibrary();
    scan("XX1234HXKT4R00A1B2");
    EXPECT_EQ(serial(), "SN-00041");
    EXPECT_TRUE(cups->jobs(kStoppedQueue).empty());
    EXPECT_TRUE(cups->jobs(kPlainQueue).empty());
}

TEST_F(ScanDialogTest, FieldsAreLaidOutInRows)
{
    const QRect model = field("model")->geometry();
    const QRect serialField = field("serial")->geometry();
    const QRect left = field("paddingLeft")->geometry();
    const QRect top = field("paddingTop")->geometry();
    EXPECT_EQ(model.top(), 10 + 25 + 40);
    EXPECT_EQ(model.size(), QSize(200, 25));
    EXPECT_EQ(serialField.top(), model.bottom() + 1 + 5);
    EXPECT_EQ(left.top(), serialField.bottom() + 1 + 20);
    EXPECT_EQ(left.size(), QSize(80, 25));
    EXPECT_EQ(top.top(), left.bottom() + 1 + 5);
    EXPECT_EQ(model.left(), left.left());
    EXPECT_EQ(field("scan")->geometry(), QRect(30, top.bottom() + 1 + 40, 440, 50));
}

// The label panel sits right of every field and grows the dialog, not the fields.
TEST_F(ScanDialogTest, LabelPanelSitsRightOfTheFields)
{
    EXPECT_EQ(dialog->minimumSize(), QSize(840, 360));
    const QRect shown = panel()->geometry();
    EXPECT_EQ(shown, QRect(490, 10, 340, 340));
    for (const QRect &placed : fieldGeometries()) {
        // The title's box is as wide as the scan field; its text is not.
        if (placed != dialog->findChild<QLabel *>()->geometry()) {
            EXPECT_LT(placed.right(), shown.left()) << placed.x() << "," << placed.y();
        }
    }
    dialog->resize(1000, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(panel()->geometry(), QRect(490, 10, 500, 480));
}

// The worked example scanned: the panel draws exactly what label-preview draws from the
// job the queue received, the fields stay where they were, and a screenshot of the
// dialog, in either language, reads back as the identifier.
TEST_F(ScanDialogTest, PanelShowsTheLabelTheQueueReceived)
{
    EXPECT_TRUE(panel()->label().isNull());
    const std::vector<QRect> before = fieldGeometries();
    type("serial", "SN-00042");
    scan("XX1234HXKT4R00A1B2");
    ASSERT_TRUE(waitForJobs(kPlainQueue, 1));
    const std::string job = jobs(kPlainQueue).at(0);
    QSize size;
    EXPECT_EQ(previewAndDecode(job, work.path(), "sent", &size), "HXKT4R00A1B2");
    const QImage tool =
        QImage(work.filePath("sent-1.png")).convertToFormat(QImage::Format_Grayscale8);
    EXPECT_EQ(size, QSize(529, 529));
    EXPECT_EQ(panel()->label(), tool);
    EXPECT_EQ(fieldGeometries(), before);

    const QString previousDir = JXLocalize::languageDir();
    JXLocalize::setLanguageDir(testSourceDir() + "/language");
    for (const char *language : {"cn", "en"}) {
        JXLocalize::changeLanguage(language);
        const QString png = QDir::cleanPath(testBinDir() + "/..") +
                            QStringLiteral("/scan-dialog-label-%1.png").arg(language);
        ASSERT_TRUE(dialog->grab().save(png)) << png.toStdString();
        EXPECT_EQ(runProgram(QStringLiteral("zbarimg"), {"--nodbus", "--raw", "-q", png}).trimmed(),
                  "HXKT4R00A1B2")
            << language;
    }
    JXLocalize::setLanguageDir(previousDir);
}

// A label the printer never got does not replace the one it did; a job that draws no
// label (here: one far beyond the panel's budget) shows no picture at all.
TEST_F(ScanDialogTest, PanelKeepsTheLastLabelSent)
{
    scan("XX1234HXKT4R00A1B2");
    const QImage sent = panel()->label();
    ASSERT_FALSE(sent.isNull());
    configure(kStoppedQueue);
    scan("XX1234HXKT4R00FFFF");
    EXPECT_EQ(serial(), "SN-00042");
    EXPECT_EQ(panel()->label(), sent);
    configure(kPlainQueue);
    scan("XX1234HXKT4R00FFFF");
    EXPECT_EQ(serial(), "SN-00043");
    EXPECT_NE(panel()->label(), sent);
    EXPECT_FALSE(panel()->label().isNull());

    EXPECT_FALSE(panel()->showJob("N\r\nq5000\r\nQ5000,0\r\nW1\r\n"));
    EXPECT_TRUE(panel()->label().isNull());
    EXPECT_FALSE(panel()->showJob(QByteArray()));
    EXPECT_TRUE(panel()->showJob("N\r\nq100\r\nQ50,0\r\nW1\r\n"));
    EXPECT_EQ(panel()->label().size(), QSize(100, 50));
}
