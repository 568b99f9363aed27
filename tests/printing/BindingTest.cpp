// The label binding end to end: korval loaded at run time from beside the program, the
// job received by a private CUPS scheduler, drawn by the label preview and read back by
// zbarimg, at each of the dot pitches the printers use.
#include "JXUtils/JXConfigure.h"
#include "PrintingTestSupport.h"
#include "app/JXPrinterSettingsDialog.h"
#include "app/OmbrixLibrary.h"
#include "app/OmbrixPrinter.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cmath>

namespace {

const char kIdentifier[] = "HXKT4R00A1B2";

class BindingTest : public PrintingTest
{
protected:
    void TearDown() override
    {
        OmbrixPrinter::setDotPitchForTesting(0);
        PrintingTest::TearDown();
    }

    bool print(const QString &identifier = QString::fromLatin1(kIdentifier))
    {
        QString serial = QStringLiteral("SN-00042");
        const bool printed =
            OmbrixPrinter::printKT4XQRCode(identifier, QStringLiteral("KT4X-Q2"), serial);
        EXPECT_EQ(serial, QStringLiteral("SN-00042"));
        return printed;
    }

    // The one job of the queue: its QR code decodes to the identifier, its label has the
    // given side, and the QR code and the three lines of text do not overlap.
    std::string checkedJob(const char *queue, int side, const QString &pictureName)
    {
        EXPECT_TRUE(waitForJobs(queue, 1)) << cups->errorLog();
        const std::vector<std::string> all = jobs(queue);
        if (all.size() != 1) {
            ADD_FAILURE() << all.size() << " jobs";
            return std::string();
        }
        QSize size;
        const QString dir = QDir::cleanPath(testBinDir() + "/..");
        EXPECT_EQ(previewAndDecode(all[0], dir, pictureName, &size), QByteArray(kIdentifier));
        EXPECT_EQ(size, QSize(side, side));
        const std::vector<QRect> boxes = inkBoxes(all[0]);
        EXPECT_EQ(boxes.size(), 4u);
        for (size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_FALSE(boxes[i].isEmpty()) << i;
            EXPECT_TRUE(QRect(0, 0, side, side).contains(boxes[i])) << i;
            for (size_t j = i + 1; j < boxes.size(); ++j)
                EXPECT_FALSE(boxes[i].intersects(boxes[j])) << i << " and " << j;
        }
        return all[0];
    }
};

// Answers the printer settings dialog that the binding opens: chooses queue and saves,
// or (with an empty queue) closes it.
void answerSettingsDialog(const QString &queue)
{
    QTimer::singleShot(50, [queue] {
        auto *dialog = qobject_cast<JXPrinterSettingsDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            answerSettingsDialog(queue);
            return;
        }
        if (queue.isEmpty()) {
            dialog->close();
            return;
        }
        auto *printers = dialog->findChild<QComboBox *>(QStringLiteral("printer"));
        printers->setCurrentText(queue);
        dialog->findChild<QLineEdit *>(QStringLiteral("width"))->setText("45");
        dialog->findChild<QLineEdit *>(QStringLiteral("height"))->setText("45");
        dialog->findChild<QPushButton *>(QStringLiteral("save"))->click();
    });
}

} // namespace

// The worked example at 0.85 tenths of a millimetre per dot with both paddings 0, with
// the magnification fitted to the code's box (5 dots per module).
TEST_F(BindingTest, WorkedExampleAtPointEightFive)
{
    configure(kPlainQueue);
    ASSERT_TRUE(print());
    const std::string job = checkedJob(kPlainQueue, 529, "printing-worked-example");
    const std::vector<std::string> lines = commandLines(job);
    ASSERT_EQ(lines.size(), 17u);
    // The identifier's line is centred by the fonts at hand; its column is read back.
    const std::string p2pDraw = lines[12];
    EXPECT_EQ(p2pDraw.rfind("GG", 0), 0u);
    const std::string p2pX = p2pDraw.substr(2, p2pDraw.find(',') - 2);
    EXPECT_EQ(lines,
              referenceLines("worked-example-label.txt", {{"magnification", "5"}, {"p2pX", p2pX}}));
    // The code fills 105 of its 115 dots; the identifier's text starts below it.
    const std::vector<QRect> boxes = inkBoxes(job);
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[1], QRect(71, 211, 105, 105));
    EXPECT_GT(boxes[2].top(), boxes[1].bottom());
    expectStoredGeometry(0, 0);
}

TEST_F(BindingTest, QueueAt203DotsPerInch)
{
    EXPECT_NEAR(OmbrixPrinter::dotPitch(kQueue203), 1.2512, 1e-4);
    EXPECT_DOUBLE_EQ(OmbrixPrinter::dotPitch(kPpdQueue), 254.0 / 300);
    configure(kQueue203);
    ASSERT_TRUE(print());
    const std::vector<std::string> lines =
        commandLines(checkedJob(kQueue203, 360, "printing-203dpi"));
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[1], "Q360,1");
    EXPECT_EQ(lines[2], "q360");
    EXPECT_EQ(lines[8], "GG181,117,\"ModelStr\"");
    EXPECT_EQ(lines[9], "b48,143,QR,1,2,o0,r3,m2,g1,s8,\"HXKT4R00A1B2\"");
    EXPECT_EQ(lines[15], "GG127,278,\"SNStr\"");
}

// A queue whose resolution cannot be read gives 0.425 when its name holds "K7300"; such a
// queue cannot print here, so the label at that pitch goes to a readable queue.
TEST_F(BindingTest, K7300PitchWhenTheQueueCannotBeRead)
{
    EXPECT_EQ(OmbrixPrinter::dotPitch(QStringLiteral("OMBRIX K7300")), 0.425);
    EXPECT_EQ(OmbrixPrinter::dotPitch(QStringLiteral("OMBRIX_GONE")), 0.85);
    EXPECT_EQ(OmbrixPrinter::dotPitch(QString::fromLatin1(kPlainQueue)), 0.85);

    configure(QStringLiteral("OMBRIX K7300"));
    EXPECT_FALSE(print());

    OmbrixPrinter::setDotPitchForTesting(0.425);
    configure(kPlainQueue);
    ASSERT_TRUE(print());
    const std::vector<std::string> lines =
        commandLines(checkedJob(kPlainQueue, 1059, "printing-k7300"));
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[1], "Q1059,4");
    EXPECT_EQ(lines[8], "GG534,345,\"ModelStr\"");
    EXPECT_EQ(lines[9], "b143,423,QR,1,2,o0,r10,m2,g1,s8,\"HXKT4R00A1B2\"");
    EXPECT_EQ(lines[15], "GG376,818,\"SNStr\"");
}

// Nothing reaches the scheduler when the queue is stopped or refuses jobs, when the
// library is missing, or when the identifier would break the QR command; the next label
// prints normally (the port was closed and the library released each time).
TEST_F(BindingTest, FailuresSendNothing)
{
    configure(kStoppedQueue, 1, 1);
    EXPECT_FALSE(print());
    expectStoredGeometry(1, 1);
    configure(kRejectingQueue);
    EXPECT_FALSE(print());
    configure(kPlainQueue);
    for (const char *bad : {"HXKT4R\"\r\nW1,1\r\n", "HXKT4R00A1B2\n", "HXKT4R\xc3\xa9"})
        EXPECT_FALSE(print(QString::fromUtf8(bad))) << bad;
    // More than the largest symbol holds.
    EXPECT_FALSE(print("HXKT4R" + QString(2400, QLatin1Char('a'))));
    // Paddings that push an item off the label, or are not numbers at all.
    for (const double padding : {60.0, -40.0, 1e300, std::nan("")}) {
        configure(kPlainQueue, padding, 0);
        EXPECT_FALSE(print()) << padding;
        configure(kPlainQueue, 0, padding);
        EXPECT_FALSE(print()) << padding;
    }
    removeLibrary();
    EXPECT_FALSE(print());
    EXPECT_TRUE(cups->jobs(kStoppedQueue).empty());
    EXPECT_TRUE(cups->jobs(kRejectingQueue).empty());
    EXPECT_TRUE(cups->jobs(kPlainQueue).empty());

    PrintingTest::SetUp(); // links the library again
    configure(kPlainQueue);
    EXPECT_TRUE(print());
    EXPECT_TRUE(waitForJobs(kPlainQueue, 1));
}

// Without a printer whose name holds "OMBRIX" the settings dialog opens first; the label
// goes to the printer chosen there. Closing the dialog prints nothing.
TEST_F(BindingTest, SettingsDialogChoosesThePrinter)
{
    configure(kOtherQueue);
    answerSettingsDialog(QString());
    EXPECT_FALSE(print());
    EXPECT_EQ(JXConfigure().printerName(), QString::fromLatin1(kOtherQueue));

    configure(QString());
    answerSettingsDialog(QString::fromLatin1(kPlainQueue));
    EXPECT_TRUE(print());
    EXPECT_EQ(JXConfigure().printerName(), QString::fromLatin1(kPlainQueue));
    EXPECT_TRUE(waitForJobs(kPlainQueue, 1));
    EXPECT_TRUE(cups->jobs(kOtherQueue).empty());
    expectStoredGeometry(0, 0);
}

// Every export of the list is looked up; the one korval does not have stays null, and a
// library that cannot be loaded binds nothing.
TEST_F(BindingTest, LooksUpEveryListedExport)
{
    {
        OmbrixLibrary library;
        EXPECT_TRUE(library.isBound());
        EXPECT_EQ(OmbrixLibrary::entryCount(), 75);
        EXPECT_EQ(OmbrixLibrary::entryPoint("OBX_SetRFIDLabelRetryCount"), nullptr);
        for (const char *name : {"OpenPort", "SetPCComPort", "OBX_SetCharSets", "OBX_GetUSBID",
                                 "OBX_DrawBar2D_HANXIN", "OBX_CutPageEx"})
            EXPECT_NE(OmbrixLibrary::entryPoint(name), nullptr) << name;
        EXPECT_EQ(OmbrixLibrary::entryPoint("OBX_NotInTheList"), nullptr);
    }
    removeLibrary();
    OmbrixLibrary missing;
    EXPECT_FALSE(missing.isBound());
    EXPECT_EQ(OmbrixLibrary::entryPoint("OpenPort"), nullptr);
}

// The outcome of a printed label carries the job as the queue received it, read before
// the port's closing removes the spool file; a label not printed carries nothing.
TEST_F(BindingTest, OutcomeCarriesTheJobAsSent)
{
    configure(kPlainQueue);
    const OmbrixPrinter::Outcome printed = OmbrixPrinter::printLabel(
        QString::fromLatin1(kIdentifier), QStringLiteral("KT4X-Q2"), QStringLiteral("SN-00042"));
    ASSERT_TRUE(printed.printed);
    ASSERT_TRUE(waitForJobs(kPlainQueue, 1));
    EXPECT_EQ(printed.spool.toStdString(), jobs(kPlainQueue).at(0));
    EXPECT_FALSE(QFile::exists(QDir::current().filePath("ombrixtemp.prn")));

    configure(kStoppedQueue);
    const OmbrixPrinter::Outcome failed = OmbrixPrinter::printLabel(
        QString::fromLatin1(kIdentifier), QStringLiteral("KT4X-Q2"), QStringLiteral("SN-00042"));
    EXPECT_FALSE(failed.printed);
    EXPECT_TRUE(failed.spool.isEmpty());
}
