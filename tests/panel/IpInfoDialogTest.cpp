// The IP dialog without a device on the other end: the address rule, the mode the dialog
// opens in, and the messages of the checks (a failing check sends nothing).
#include "PanelTestSupport.h"

#include "JXWidget/JXLabel.h"
#include "UI/VeltoDeviceIPInfoDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

struct Ipv4Case
{
    const char *text;
    bool valid;
    const char *sent; // the dotted quad a device gets
};

const Ipv4Case kIpv4Cases[] = {
    {"192.168.1.10", true, "192.168.1.10"},
    {" 192.168.1.10", true, "192.168.1.10"}, // blanks before a number, as %d skips them
    {"\t10.0.0.1", true, "10.0.0.1"},
    {"192.168.1.10x", true, "192.168.1.10"}, // anything after the fourth number is ignored
    {"1.2.3.4.5", true, "1.2.3.4"},
    {"+1.02.3.004", true, "1.2.3.4"}, // signs and leading zeros are read, not sent
    {"1. 2.3.4", true, "1.2.3.4"},
    {"-0.0.0.0", true, "0.0.0.0"},
    {"255.255.255.255", true, "255.255.255.255"},
    {"192.168.1.256", false, ""},
    {"1.2.3", false, ""},
    {"-1.2.3.4", false, ""}, // huge when read as unsigned
    {"", false, ""},
    {"   ", false, ""},
    {"1 .2.3.4", false, ""}, // the dot must follow the number at once
    {"1..2.3", false, ""},
    {"a.b.c.d", false, ""},
    {"99999999999999999999.1.1.1", false, ""}, // no overflow back into range
    {"4294967297.1.1.1", false, ""},
    {"\xef\xbc\x91.2.3.4", false, ""}, // a full-width digit is not a digit
    {"abc", false, ""},
};

TEST(Ipv4Rule, ReadsAsCScanningDoesAndSendsThePlainDottedQuad)
{
    for (const Ipv4Case &c : kIpv4Cases) {
        QString sent = QStringLiteral("untouched");
        EXPECT_EQ(VeltoDeviceIPInfoDialog::parseIpv4(QString::fromUtf8(c.text), &sent), c.valid)
            << '"' << c.text << '"';
        if (c.valid) {
            EXPECT_EQ(sent, QString::fromLatin1(c.sent)) << '"' << c.text << '"';
        }
    }
}

class IpInfoDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PanelTest::useLanguage("en");
        edits = dialog.findChildren<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
        labels = dialog.findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
        mode = dialog.findChild<QComboBox *>();
        ASSERT_EQ(edits.size(), 5);
        ASSERT_EQ(labels.size(), 6); // the mode's label and one per field
        ASSERT_NE(mode, nullptr);
    }

    bool fieldsEnabled(bool enabled) const
    {
        for (int i = 0; i < 5; ++i) {
            if (edits[i]->isEnabled() != enabled || labels[i + 1]->isEnabled() != enabled)
                return false;
        }
        return labels[0]->isEnabled() && mode->isEnabled();
    }

    void fill(const char *ip, const char *netmask, const char *gateway)
    {
        edits[0]->setText(QString::fromUtf8(ip));
        edits[1]->setText(QString::fromUtf8(netmask));
        edits[2]->setText(QString::fromUtf8(gateway));
    }

    QStringList toasts() const
    {
        QStringList texts;
        for (JXLabel *label : dialog.findChildren<JXLabel *>())
            texts << label->text();
        return texts;
    }

    VeltoDeviceIPInfoDialog dialog;
    QList<QLineEdit *> edits;
    QList<QLabel *> labels;
    QComboBox *mode = nullptr;
};

TEST_F(IpInfoDialog, OpensInDhcpModeForDhcpInAnyCaseAndStaticOtherwise)
{
    const struct
    {
        const char *reported;
        int index;
    } cases[] = {{"dhcp", 0}, {"DHCP", 0},  {"DhCp", 0},   {"static", 1},
                 {"", 1},     {"dhcp ", 1}, {"Static", 1}, {"dhcp", 0}};
    for (const auto &c : cases) {
        dialog.setDevice(PanelTest::device("02:56:4C:00:00:01", "10.77.0.20", c.reported), nullptr);
        EXPECT_EQ(mode->currentIndex(), c.index) << c.reported;
        EXPECT_TRUE(fieldsEnabled(c.index != 0)) << c.reported;
    }
    mode->setCurrentIndex(1);
    EXPECT_TRUE(fieldsEnabled(true));
    mode->setCurrentIndex(0);
    EXPECT_TRUE(fieldsEnabled(false));
}

TEST_F(IpInfoDialog, FillsTheFieldsFromTheDeviceInItsOwnOrder)
{
    VeltoDevice d = PanelTest::device("02:56:4C:00:00:01", "10.77.0.20");
    d.setDns2("8.8.4.4");
    dialog.setDevice(d, nullptr);
    const QStringList shown = {edits[0]->text(), edits[1]->text(), edits[2]->text(),
                               edits[3]->text(), edits[4]->text()};
    EXPECT_EQ(shown,
              QStringList({"10.77.0.20", "255.255.255.0", "10.77.0.1", "10.77.0.1", "8.8.4.4"}));
    EXPECT_EQ(dialog.minimumSize(), QSize(260, 230));
    EXPECT_EQ(edits[4]->geometry(), QRect(140, 160, 110, 20));
}

TEST_F(IpInfoDialog, ShowsOnlyTheFirstFailingChecksMessageAndStaysOpen)
{
    const struct
    {
        const char *ip, *netmask, *gateway, *message;
    } cases[] = {
        {"1.2.3", "255.255.255.0", "10.77.0.1", "Please input valid ip address"},
        {"", "x", "y", "Please input valid ip address"},
        {"10.77.0.20", "255.255.255.256", "z", "Please input valid netmask"},
        {"10.77.0.20", "255.255.255.0", "abc", "Please input valid gateway"},
        {"-1.2.3.4", "255.255.255.0", "10.77.0.1", "Please input valid ip address"},
    };
    dialog.setDevice(PanelTest::device("02:56:4C:00:00:01", "10.77.0.20"), nullptr);
    dialog.show();
    for (const auto &c : cases) {
        fill(c.ip, c.netmask, c.gateway);
        dialog.onClickSetButton(false);
        EXPECT_EQ(toasts(), QStringList({c.message})) << c.ip << ' ' << c.netmask;
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), 0);
    }
    // The message sits at the bottom centre, 5 pixels up.
    JXLabel *toast = dialog.findChild<JXLabel *>();
    ASSERT_NE(toast, nullptr);
    EXPECT_EQ(toast->geometry().bottom(), dialog.height() - 5 - 1);
    EXPECT_EQ(toast->x(), (dialog.width() - toast->width()) / 2);
}

} // namespace
