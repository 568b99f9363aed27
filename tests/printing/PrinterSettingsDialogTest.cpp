// The printer settings dialog with the private scheduler's queues: which printer it
// preselects, what Save stores and what it refuses.
#include "JXUtils/JXConfigure.h"
#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXLabel.h"
#include "PrintingTestSupport.h"
#include "app/JXPrinterSettingsDialog.h"
#include "app/JXScanCodePrinterDialog.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

namespace {

class PrinterSettingsDialogTest : public PrintingTest
{
protected:
    void open()
    {
        dialog = std::make_unique<JXPrinterSettingsDialog>();
        dialog->resize(470, 230);
        dialog->show();
    }
    void TearDown() override
    {
        dialog.reset();
        PrintingTest::TearDown();
    }
    QLineEdit *field(const char *name) const
    {
        return dialog->findChild<QLineEdit *>(QString::fromLatin1(name));
    }
    QComboBox *printers() const { return dialog->findChild<QComboBox *>("printer"); }
    void type(const char *name, const QString &text)
    {
        field(name)->clear();
        QTest::keyClicks(field(name), text);
    }
    void save() { QTest::mouseClick(dialog->findChild<QPushButton *>("save"), Qt::LeftButton); }
    QString toast() const
    {
        const auto toasts = dialog->findChildren<JXLabel *>();
        return toasts.isEmpty() ? QString() : toasts.last()->text();
    }

    std::unique_ptr<JXPrinterSettingsDialog> dialog;
};

} // namespace

TEST_F(PrinterSettingsDialogTest, ShowsTheConfiguration)
{
    configure(kQueue203, 1.25, 0.5);
    open();
    EXPECT_EQ(printers()->currentText(), kQueue203);
    EXPECT_GE(printers()->count(), 5);
    EXPECT_EQ(field("width")->text(), "60");
    EXPECT_EQ(field("height")->text(), "30");
    EXPECT_EQ(field("column")->text(), "3");
    EXPECT_EQ(field("padding")->text(), "9");
    EXPECT_EQ(field("paddingLeft")->text(), "1.25");
    EXPECT_EQ(field("paddingTop")->text(), "0.5");
    EXPECT_EQ(field("paddingRight")->text(), "7");
    EXPECT_FALSE(field("paddingBottom")->isVisible());
    // Save sits centred, 30 below the padding field.
    const QRect button = dialog->findChild<QPushButton *>("save")->geometry();
    EXPECT_EQ(button.size(), QSize(120, 25));
    EXPECT_EQ(button.left(), (dialog->width() - 120) / 2);
    // The right column is never cut off, however long its labels are.
    EXPECT_LT(field("paddingRight")->geometry().right(), dialog->width());
    EXPECT_EQ(button.top(), field("padding")->geometry().bottom() + 1 + 30);
}

TEST_F(PrinterSettingsDialogTest, GonePrinterPreselectsTheDefaultQueue)
{
    configure(QStringLiteral("OMBRIX_GONE"));
    open();
    EXPECT_EQ(printers()->currentText(), kOtherQueue);
}

TEST_F(PrinterSettingsDialogTest, WrongSizeStoresNothing)
{
    configure(kPlainQueue);
    const QByteArray before = [] {
        QFile file(JXConfigure::filePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    open();
    printers()->setCurrentText(kQueue203);
    type("width", "0");
    type("height", "45");
    save();
    EXPECT_EQ(toast(), "Please input correct size");
    EXPECT_TRUE(dialog->isVisible());
    type("width", "abc");
    save();
    EXPECT_TRUE(dialog->isVisible());
    QFile file(JXConfigure::filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST_F(PrinterSettingsDialogTest, SaveStoresAllNineKeys)
{
    QFile::remove(JXConfigure::filePath());
    open();
    printers()->setCurrentText(kQueue203);
    type("width", "45");
    type("height", "40.5");
    type("column", "two");
    type("padding", "2");
    type("paddingLeft", "1.5");
    type("paddingRight", "oops");
    type("paddingTop", "0.25");
    save();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    QSettings stored(JXConfigure::filePath(), QSettings::IniFormat);
    EXPECT_EQ(stored.value("printer name").toString(), kQueue203);
    EXPECT_EQ(stored.value("label width").toString(), "45");
    EXPECT_EQ(stored.value("label height").toString(), "40.5");
    EXPECT_EQ(stored.value("label column").toString(), "0");
    EXPECT_EQ(stored.value("label padding").toString(), "2");
    EXPECT_EQ(stored.value("label padding left").toString(), "1.5");
    EXPECT_EQ(stored.value("label padding top").toString(), "0.25");
    EXPECT_EQ(stored.value("label padding right").toString(), "0");
    EXPECT_EQ(stored.value("label padding bottom").toString(), "0");
    EXPECT_EQ(stored.allKeys().size(), 9);
}

// Both printer dialogs set their texts again on a language switch, and the settings
// dialog widens for the longer labels.
TEST_F(PrinterSettingsDialogTest, DialogsFollowALanguageSwitch)
{
    const QString previousDir = JXLocalize::languageDir();
    JXLocalize::setLanguageDir(testSourceDir() + "/language");
    JXLocalize::changeLanguage("cn");
    open();
    JXScanCodePrinterDialog scan;
    const auto texts = [](const QWidget &widget) {
        QStringList all;
        for (const QLabel *label : widget.findChildren<QLabel *>())
            all << label->text();
        return all;
    };
    EXPECT_TRUE(texts(*dialog).contains(QString::fromUtf8("打印机")));
    EXPECT_TRUE(texts(scan).contains(QString::fromUtf8("产品型号:")));
    JXLocalize::changeLanguage("en");
    EXPECT_TRUE(texts(*dialog).contains("Label right padding"));
    EXPECT_TRUE(texts(scan).contains("Product Model:"));
    EXPECT_EQ(dialog->findChild<QPushButton *>("save")->text(), "Save");
    EXPECT_LT(field("paddingRight")->geometry().right(), dialog->width());
    JXLocalize::setLanguageDir(previousDir);
}
