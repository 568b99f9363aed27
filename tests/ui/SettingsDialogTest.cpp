// The application settings dialog: what it shows, and that every choice is stored the
// moment the operator makes it and relabels every open window.
#include "UiTestSupport.h"

#include "JXUtils/JXConfigure.h"
#include "JXUtils/JXLocalize.h"
#include "UI/CVTableWidget.h"
#include "UI/JXSettingsDialog.h"
#include "UI/VeltoDevicesWidget.h"
#include "support/TestPaths.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class SettingsDialog : public ::testing::Test
{
protected:
    void SetUp() override { UiTest::installLanguage("en"); }
    void TearDown() override { JXLocalize::install("en"); }

    // Writes the raw INI values the dialog starts from.
    void store(const char *key, const QVariant &value)
    {
        QSettings(JXConfigure::filePath(), QSettings::IniFormat).setValue(key, value);
    }
    QString labelAt(const JXSettingsDialog &dialog, int x, int y) const
    {
        for (QLabel *label : dialog.findChildren<QLabel *>()) {
            if (label->geometry().contains(x, y))
                return label->text();
        }
        return QString();
    }
    QByteArray iniText() const
    {
        QFile file(JXConfigure::filePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    ScopedAppDir appDir;
};

// Any other window that relabels itself, counting the calls.
class Observer : public JXLocalize
{
public:
    void languageChanged() override { ++calls; }
    int calls = 0;
};

} // namespace

TEST_F(SettingsDialog, ShowsVersionBuildDateAndTheStoredChoices)
{
    store("langage", "en");
    store("hardware", 1);
    JXSettingsDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.size(), QSize(400, 200));
    const struct
    {
        QRect geometry;
        const char *text;
    } labels[] = {{{0, 30, 200, 30}, "System Version : "}, {{200, 30, 200, 30}, "2.2.6 LanKit"},
                  {{0, 70, 200, 30}, "Build Date : "},     {{200, 70, 200, 30}, "20240319"},
                  {{0, 110, 200, 30}, "Language : "},      {{1, 150, 200, 30}, "Hardware : "}};
    for (const auto &expected : labels) {
        bool found = false;
        for (QLabel *label : dialog.findChildren<QLabel *>()) {
            if (label->geometry() == expected.geometry) {
                found = true;
                EXPECT_EQ(label->text(), expected.text);
            }
        }
        EXPECT_TRUE(found) << expected.text;
    }
    EXPECT_EQ(dialog.languageBox()->geometry(), QRect(200, 115, 100, 20));
    EXPECT_EQ(dialog.hardwareBox()->geometry(), QRect(200, 155, 100, 20));
    EXPECT_EQ(dialog.languageBox()->currentText(), "English");
    EXPECT_EQ(dialog.hardwareBox()->currentText(), "On");
    EXPECT_EQ(dialog.languageBox()->itemText(1), "Chinese");
    EXPECT_EQ(dialog.hardwareBox()->itemText(1), "Off");
}

TEST_F(SettingsDialog, TheLanguageBoxShowsWhatStartUpLoadsForTheStoredValue)
{
    const struct
    {
        const char *stored;
        const char *loaded;
        int row;
    } cases[] = {{"cn", "cn", 1}, {"CN", "cn", 1}, {"en", "en", 0},
                 {"EN", "en", 0}, {"fr", "cn", 1}, {"", "cn", 1}};
    for (const auto &c : cases) {
        store("langage", c.stored);
        JXLocalize::install(c.loaded);
        JXSettingsDialog dialog;
        EXPECT_EQ(dialog.languageBox()->currentIndex(), c.row) << c.stored;
        // Opening the dialog neither switches nor stores anything.
        EXPECT_EQ(JXLocalize::currentLanguage(), QString(c.loaded) + ".txt") << c.stored;
        EXPECT_EQ(JXConfigure().language(), c.stored);
    }
}

TEST_F(SettingsDialog, SwitchingTheLanguageRelabelsEveryWindowAndStoresIt)
{
    store("langage", "en");
    store("hardware", 1);
    VeltoDevicesWidget table;
    table.setDevices(UiTest::devices(1));
    Observer panel;
    JXSettingsDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QComboBox *box = dialog.languageBox();

    for (int round = 1; round <= 2; ++round) {
        QTest::keyClick(box, Qt::Key_Down);
        ASSERT_EQ(box->currentIndex(), 1);
        EXPECT_EQ(JXLocalize::currentLanguage(), "cn.txt");
        EXPECT_EQ(JXConfigure().language(), "cn");
        EXPECT_EQ(labelAt(dialog, 10, 40), QString::fromUtf8("系统版本 : "));
        EXPECT_EQ(labelAt(dialog, 210, 40), "2.2.6 LanKit");
        EXPECT_EQ(box->itemText(0), QString::fromUtf8("英文"));
        EXPECT_EQ(dialog.hardwareBox()->currentText(), QString::fromUtf8("开启"));
        EXPECT_EQ(table.tableWidget()->horizontalHeaderItem(2)->text(),
                  QString::fromUtf8("MAC地址"));
        EXPECT_EQ(panel.calls, 2 * round - 1);

        QTest::keyClick(box, Qt::Key_Up);
        ASSERT_EQ(box->currentIndex(), 0);
        EXPECT_EQ(JXLocalize::currentLanguage(), "en.txt");
        EXPECT_EQ(JXConfigure().language(), "en");
        EXPECT_EQ(labelAt(dialog, 10, 40), "System Version : ");
        EXPECT_EQ(box->itemText(1), "Chinese");
        EXPECT_EQ(table.tableWidget()->horizontalHeaderItem(2)->text(), "Mac");
        EXPECT_EQ(panel.calls, 2 * round);
    }
}

TEST_F(SettingsDialog, OffIsStoredAtOnceAsZero)
{
    store("langage", "en");
    store("hardware", 1);
    JXSettingsDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(dialog.hardwareBox(), Qt::Key_Down);
    EXPECT_EQ(dialog.hardwareBox()->currentText(), "Off");
    EXPECT_FALSE(JXConfigure().hardwareDecoding());
    EXPECT_TRUE(iniText().contains("hardware=0\n")) << iniText().toStdString();
    QTest::keyClick(dialog.hardwareBox(), Qt::Key_Up);
    EXPECT_TRUE(JXConfigure().hardwareDecoding());
    EXPECT_TRUE(iniText().contains("hardware=1\n")) << iniText().toStdString();
}
