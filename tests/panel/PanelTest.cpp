// The device panel on its own: what it shows for a device, its layout in both languages,
// records a camera could send to break it, and the checks it makes before any dialog.
#include "PanelTestSupport.h"

#include "JXWidget/JXLabel.h"
#include "UI/VeltoDeviceLanKitWidget.h"
#include "Velto/VeltoSDK.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const char *const kChildren[] = {"title",         "nameLabel",     "nameEdit",     "nameButton",
                                 "ipLabel",       "ipValue",       "ipButton",     "firmwareLabel",
                                 "firmwareValue", "upgradeButton", "restoreButton"};

class Panel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PanelTest::useLanguage("en");
        panel.resize(800, 400);
        panel.show();
    }

    template <typename T = QWidget>
    T *child(const char *name) const
    {
        return panel.findChild<T *>(QString::fromLatin1(name));
    }

    QString ipShown() const { return child<QLabel>("ipValue")->text(); }

    QMap<QString, QRect> geometries() const
    {
        QMap<QString, QRect> result;
        for (const char *name : kChildren)
            result.insert(QString::fromLatin1(name), child(name)->geometry());
        return result;
    }

    VeltoDeviceLanKitWidget panel;
};

TEST_F(Panel, AnEmptyDeviceDisablesEverythingAndLeavesTheIpEmpty)
{
    for (const char *name : kChildren)
        EXPECT_FALSE(child(name)->isEnabled()) << name;
    EXPECT_EQ(ipShown(), QString());

    panel.setDevice(PanelTest::device("02:56:4C:00:00:01", "10.77.0.20"));
    for (const char *name : kChildren)
        EXPECT_TRUE(child(name)->isEnabled()) << name;

    VeltoDevice noMac = PanelTest::device("", "10.77.0.21"); // a row beyond the list
    panel.setDevice(noMac);
    for (const char *name : kChildren)
        EXPECT_FALSE(child(name)->isEnabled()) << name;
    EXPECT_EQ(ipShown(), QString());
    EXPECT_EQ(panel.device().ip(), QStringLiteral("10.77.0.21"));
}

TEST_F(Panel, ShowsNameAddressWithItsModeAndTheShortVersion)
{
    VeltoDevice d = PanelTest::device("02:56:4C:00:00:01", "10.77.0.20", "dhcp");
    d.setName("  ");
    panel.setDevice(d);
    EXPECT_EQ(child<QLineEdit>("nameEdit")->text(), QStringLiteral("  "));
    EXPECT_EQ(ipShown(), QStringLiteral("10.77.0.20(dhcp)"));
    EXPECT_EQ(child<JXLabel>("firmwareValue")->text(), QStringLiteral("V2.1.7"));

    d.setIpMode("");
    panel.setDevice(d);
    EXPECT_EQ(ipShown(), QStringLiteral("10.77.0.20()"));
}

TEST_F(Panel, LaysOutItsRowsUnderTheTitle)
{
    const QMap<QString, QRect> at = geometries();
    EXPECT_EQ(at["title"].topLeft(), QPoint(10, 10));
    EXPECT_EQ(at["title"].height(), 30);
    EXPECT_EQ(at["nameLabel"], QRect(10, 49, 120, 30));
    EXPECT_EQ(at["nameEdit"], QRect(139, 52, 150, 24));
    EXPECT_EQ(at["nameButton"], QRect(298, 52, 130, 24));
    EXPECT_EQ(at["ipLabel"], QRect(10, 88, 120, 30));
    EXPECT_EQ(at["ipValue"], QRect(139, 88, 150, 30));
    EXPECT_EQ(at["ipButton"], QRect(298, 91, 130, 24));
    EXPECT_EQ(at["firmwareLabel"], QRect(10, 127, 120, 30));
    EXPECT_EQ(at["firmwareValue"], QRect(139, 127, 150, 30));
    EXPECT_EQ(at["upgradeButton"], QRect(298, 130, 130, 24));
    EXPECT_EQ(at["restoreButton"], QRect(298, 166, 130, 24));
}

TEST_F(Panel, ALanguageSwitchRelabelsWithoutMovingTheControls)
{
    panel.setDevice(PanelTest::device("02:56:4C:00:00:01", "10.77.0.20"));
    QMap<QString, QRect> english = geometries();
    PanelTest::useLanguage("cn");
    EXPECT_EQ(child<QLabel>("title")->text(), QStringLiteral("设备设置"));
    EXPECT_EQ(child<QLabel>("nameLabel")->text(), QStringLiteral("设备名称"));
    EXPECT_EQ(child<QPushButton>("upgradeButton")->text(), QStringLiteral("升级固件"));
    EXPECT_EQ(child<QPushButton>("restoreButton")->text(), QStringLiteral("恢复出厂设置"));
    QMap<QString, QRect> chinese = geometries();
    EXPECT_EQ(chinese["title"].width(), child("title")->sizeHint().width());
    english.remove("title");
    chinese.remove("title");
    EXPECT_EQ(chinese, english);

    PanelTest::useLanguage("en");
    EXPECT_EQ(child<QPushButton>("restoreButton")->text(), QStringLiteral("Restore"));
    EXPECT_EQ(child("ipValue")->toolTip(), QStringLiteral("10.77.0.20(static)"));
}

TEST_F(Panel, HostileRecordsStayInsideThePanel)
{
    VeltoDevice longName = PanelTest::device("02:56:4C:00:00:01", "10.77.0.20");
    longName.setName(QString(2000, QChar(u'名')));
    VeltoDevice notAnAddress = PanelTest::device("02:56:4C:00:00:02", QString(500, 'x'));
    notAnAddress.setValue("appVersion", QString(300, '9') + ".1");
    VeltoDevice macOnly;
    macOnly.setMac("02:56:4C:00:00:03");
    const QMap<QString, QRect> before = geometries();
    for (const VeltoDevice &d : {longName, notAnAddress, macOnly}) {
        panel.setDevice(d);
        QApplication::processEvents();
        EXPECT_TRUE(PanelTest::childrenInside(panel));
        const QLabel *ip = child<QLabel>("ipValue");
        EXPECT_LE(ip->fontMetrics().horizontalAdvance(ip->text()), ip->width());
        EXPECT_EQ(ip->toolTip(), QStringLiteral("%1(%2)").arg(d.ip(), d.ipMode()));
        const JXLabel *version = child<JXLabel>("firmwareValue");
        EXPECT_LE(version->fontMetrics().horizontalAdvance(version->text()), version->width());
        EXPECT_EQ(child<QLineEdit>("nameEdit")->text(), d.name());
        EXPECT_EQ(geometries(), before);
    }
    EXPECT_EQ(ipShown(), QStringLiteral("()"));
}

// Without a protocol object a dialog that did open would close at once; the counter sees
// it all the same.
TEST_F(Panel, AnEmptyNameOnlyShowsItsMessage)
{
    panel.setDevice(PanelTest::device("02:56:4C:00:00:01", "10.77.0.20"));
    child<QLineEdit>("nameEdit")->clear();
    const QStringList shown = PanelTest::dialogsShownDuring(
        [&] { QTest::mouseClick(child("nameButton"), Qt::LeftButton); });
    EXPECT_EQ(shown, QStringList());
    QStringList toasts;
    for (JXLabel *label : panel.findChildren<JXLabel *>()) {
        if (label->objectName().isEmpty())
            toasts << label->text();
    }
    EXPECT_EQ(toasts, QStringList({"Please Input Name"}));
}

TEST_F(Panel, RestoreAsksFirstAndAnswerNoDoesNothing)
{
    ASSERT_EQ(VeltoSDK::instance(), nullptr);
    panel.setDevice(PanelTest::device("02:56:4C:00:00:01", "10.77.0.20"));
    QString asked;
    PanelTest::whenModalShown("JXAlertDialog", [&](QWidget &alert) {
        asked = alert.findChild<QLabel *>()->text();
        for (QPushButton *button : alert.findChildren<QPushButton *>()) {
            if (button->text() == QLatin1String("Cancel"))
                button->click();
        }
    });
    const QStringList shown = PanelTest::dialogsShownDuring(
        [&] { QTest::mouseClick(child("restoreButton"), Qt::LeftButton); });
    EXPECT_EQ(shown, QStringList({"JXAlertDialog"}));
    EXPECT_EQ(asked, QStringLiteral("Restore Hall camera (02:56:4C:00:00:01) to factory "
                                    "settings?\nIts network settings are reset too."));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
