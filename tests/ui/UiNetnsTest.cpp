// The search dialog against the device simulator, and the network dialog on real
// interfaces. Run through scripts/netns-run.sh: this program runs in namespace A on
// NETNS_IF_A, the simulators in namespace B on NETNS_IF_B.
#include "UiTestSupport.h"
#include "velto/SimulatorTest.h"

#include "JXUtils/JXConfigure.h"
#include "UI/CVTableWidget.h"
#include "UI/JXNetworkDialog.h"
#include "UI/VeltoDevicesWidget.h"
#include "UI/VeltoSearchDialog.h"
#include "Velto/VeltoSDK.h"
#include "support/TestPaths.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

// MACs 02:56:4C:00:00:01 ... as the simulator numbers its cameras.
QStringList simulatedMacs(int count)
{
    QStringList macs;
    for (int number = 1; number <= count; ++number)
        macs << QStringLiteral("02:56:4C:%1:%2:%3")
                    .arg((number >> 16) & 0xff, 2, 16, QLatin1Char('0'))
                    .arg((number >> 8) & 0xff, 2, 16, QLatin1Char('0'))
                    .arg(number & 0xff, 2, 16, QLatin1Char('0'))
                    .toUpper();
    return macs;
}

class UiNetns : public SimulatorTest
{
protected:
    void SetUp() override
    {
        UiTest::installLanguage("en");
        SimulatorTest::SetUp();
    }

    // Runs a search dialog as the main window does; the result of exec().
    int runSearch(VeltoSearchDialog &dialog, int seconds)
    {
        dialog.setSearchSeconds(seconds);
        dialog.start();
        return dialog.exec();
    }

    ScopedAppDir appDir;
};

} // namespace

TEST_F(UiNetns, AFiveSecondSettingKeepsTheDialogUpFiveSeconds)
{
    simulate({"--count", "3", "--delay-max", "300", "--http-port", "0"});
    startProtocol();
    QSettings(JXConfigure::filePath(), QSettings::IniFormat).setValue("search seconds", 5);
    VeltoSearchDialog dialog;
    EXPECT_EQ(dialog.message(), "Searching devices");
    bool shownWhileSearching = false;
    UiTest::whenModalShown([&](QWidget &shown) { shownWhileSearching = &shown == &dialog; });

    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(runSearch(dialog, JXConfigure().searchSeconds()), QDialog::Accepted);
    EXPECT_GE(timer.elapsed(), 4990);
    EXPECT_LT(timer.elapsed(), 6500);
    EXPECT_TRUE(shownWhileSearching);
    EXPECT_EQ(UiTest::macsOf(dialog.results()), simulatedMacs(3));
}

TEST_F(UiNetns, ClosingTheSearchReturnsAtOnceAndLeavesTheTable)
{
    simulate({"--count", "3", "--delay-max", "100", "--http-port", "0"});
    startProtocol();
    VeltoDevicesWidget table;
    table.setDevices(UiTest::devices(2));
    const QStringList before = {table.deviceAt(0).mac(), table.deviceAt(1).mac()};

    VeltoSearchDialog dialog;
    QElapsedTimer closed;
    UiTest::whenModalShown([&](QWidget &shown) {
        QTest::qWait(1000);
        closed.start();
        shown.close(); // the window's close control
    });
    const int result = runSearch(dialog, 10);
    ASSERT_TRUE(closed.isValid());
    EXPECT_LT(closed.elapsed(), 1000);
    EXPECT_EQ(result, QDialog::Rejected);
    if (result == QDialog::Accepted) // what the main window does with a search
        table.setDevices(dialog.results());
    QTest::qWait(100); // anything the worker queued has been delivered
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    ASSERT_EQ(table.deviceCount(), 2);
    EXPECT_EQ(QStringList({table.deviceAt(0).mac(), table.deviceAt(1).mac()}), before);
}

TEST_F(UiNetns, MacsDifferingOnlyInCaseSortUpperCaseFirst)
{
    simulate({"--count", "3", "--delay-max", "50", "--http-port", "0"});
    startProtocol();
    QVector<VeltoDevice> found;
    sdk->searchDevices(found, 1.0);
    std::sort(found.begin(), found.end(), VeltoDevice::lessByMac);
    ASSERT_EQ(found.size(), 3);
    // The first camera takes the third one's MAC in lower case; so does the second, in
    // mixed case, so that plain alphabetical order would differ from code-unit order.
    ASSERT_EQ(sdk->setDeviceMac(found.at(0), "02:56:4c:00:00:03"), 0);
    ASSERT_EQ(sdk->setDeviceMac(found.at(1), "02:56:4C:00:00:0a"), 0);

    VeltoSearchDialog dialog;
    ASSERT_EQ(runSearch(dialog, 1), QDialog::Accepted);
    EXPECT_EQ(UiTest::macsOf(dialog.results()),
              QStringList({"02:56:4C:00:00:03", "02:56:4C:00:00:0a", "02:56:4c:00:00:03"}));
}

TEST_F(UiNetns, TwoHundredCamerasAllAppearOnce)
{
    // Every camera answers twice within the first second; the rest of the search leaves
    // room for a loaded machine.
    simulate({"--count", "200", "--delay-max", "1000", "--http-port", "0", "--quiet", "--misbehave",
              "twice"});
    startProtocol();
    VeltoSearchDialog dialog;
    ASSERT_EQ(runSearch(dialog, 5), QDialog::Accepted);
    EXPECT_EQ(UiTest::macsOf(dialog.results()), simulatedMacs(200));

    VeltoDevicesWidget table;
    table.setDevices(dialog.results());
    EXPECT_EQ(table.tableWidget()->rowCount(), 200);
    EXPECT_EQ(table.deviceAt(199).mac(), "02:56:4C:00:00:C8");
    EXPECT_EQ(table.deviceAt(199).rowIndex, 199);
}

TEST_F(UiNetns, EveryIpv4AddressIsARowAndTheChoiceIsStored)
{
    ASSERT_EQ(
        VeltoTest::ip({"addr", "add", "10.77.0.3/24", "dev", VeltoTest::namespaceInterface()}), 0);
    ASSERT_EQ(VeltoTest::ip({"-6", "addr", "add", "fd77::1/64", "dev",
                             VeltoTest::namespaceInterface(), "nodad"}),
              0);
    const QNetworkInterface lo = QNetworkInterface::interfaceFromName("lo");
    const QNetworkInterface veth =
        QNetworkInterface::interfaceFromName(VeltoTest::namespaceInterface());
    ASSERT_TRUE(veth.isValid());

    JXNetworkDialog dialog;
    dialog.setInterfaces({lo, veth});
    QStringList rows;
    for (int row = 0; row < dialog.comboBox()->count(); ++row)
        rows << dialog.comboBox()->itemText(row);
    EXPECT_EQ(rows, QStringList({"lo 127.0.0.1", VeltoTest::namespaceInterface() + " 10.77.0.1",
                                 VeltoTest::namespaceInterface() + " 10.77.0.3"}));
    EXPECT_EQ(dialog.comboBox()->itemData(2).toInt(), 1);

    QNetworkAddressEntry second;
    second.setIp(QHostAddress("10.77.0.9")); // not on the list: the row stays
    dialog.selectEntry(second);
    EXPECT_EQ(dialog.comboBox()->currentIndex(), 0);

    UiTest::whenModalShown([&](QWidget &) {
        QTest::keyClick(dialog.comboBox(), Qt::Key_Down);
        QTest::keyClick(dialog.comboBox(), Qt::Key_Down);
        QTest::mouseClick(dialog.button(), Qt::LeftButton);
    });
    ASSERT_EQ(dialog.exec(), QDialog::Accepted);
    QNetworkInterface chosen;
    QNetworkAddressEntry entry;
    ASSERT_EQ(dialog.selection(chosen, entry), 0);
    EXPECT_EQ(chosen.name(), VeltoTest::namespaceInterface());
    EXPECT_EQ(entry.ip().toString(), "10.77.0.3");
    EXPECT_EQ(JXConfigure().networkIp(), "10.77.0.3");
    EXPECT_EQ(JXConfigure().networkName(), veth.humanReadableName());

    // Reopened on the stored entry, the dialog shows it.
    JXNetworkDialog again;
    again.setInterfaces({lo, veth});
    again.selectEntry(entry);
    EXPECT_EQ(again.comboBox()->currentText().toStdString(),
              VeltoTest::namespaceInterface().toStdString() + " 10.77.0.3");
    ASSERT_EQ(
        VeltoTest::ip({"addr", "del", "10.77.0.3/24", "dev", VeltoTest::namespaceInterface()}), 0);
}
