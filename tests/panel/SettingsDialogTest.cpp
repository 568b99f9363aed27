// The settings dialogs without a protocol object, and the hop of changed records from the
// worker thread to the table.
#include "PanelTestSupport.h"

#include "UI/VeltoDeviceFirmwareSettingsDialog.h"
#include "UI/VeltoDeviceIpSettingsDialog.h"
#include "UI/VeltoDeviceNameSettingsDialog.h"
#include "UI/VeltoDeviceRestoreSettingsDialog.h"
#include "UI/VeltoDevicesWidget.h"
#include "Velto/VeltoSDK.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>

namespace {

// Runs a started dialog to its end and reports how it ended and how long it took.
template <typename Dialog>
int runToEnd(Dialog &dialog, qint64 *milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    dialog.start();
    const int result = dialog.exec();
    *milliseconds = timer.elapsed();
    return result;
}

TEST(SettingsDialogs, WithoutAProtocolObjectCloseAtOnceAsAcceptedAndChangeNothing)
{
    ASSERT_EQ(VeltoSDK::instance(), nullptr);
    VeltoDevicesWidget table;
    const VeltoDevice device = PanelTest::device("02:56:4C:00:00:01", "10.77.0.20");
    table.setDevices({device});
    const VeltoDevice shown = table.deviceAt(0);
    qint64 took = 0;

    VeltoDeviceIpSettingsDialog ip;
    ip.setDevicesWidget(&table);
    ip.setSettings({shown}, {"10.77.0.99"}, {"255.0.0.0"}, {"10.0.0.1"}, {""}, {""}, false);
    EXPECT_EQ(runToEnd(ip, &took), QDialog::Accepted);
    EXPECT_LT(took, 1000);

    VeltoDeviceNameSettingsDialog name;
    name.setDevicesWidget(&table);
    name.setSettings({shown}, {"renamed"});
    EXPECT_EQ(runToEnd(name, &took), QDialog::Accepted);

    VeltoDeviceFirmwareSettingsDialog firmware;
    firmware.setSettings({shown}, {"/nonexistent/fw.bin"});
    EXPECT_EQ(runToEnd(firmware, &took), QDialog::Accepted);
    EXPECT_EQ(firmware.progressValue(), -1); // nothing was uploaded

    VeltoDeviceRestoreSettingsDialog restore;
    restore.setSettings({shown});
    EXPECT_EQ(runToEnd(restore, &took), QDialog::Accepted);

    QApplication::processEvents();
    EXPECT_EQ(table.deviceAt(0).allValues(), shown.allValues());
}

// The worker's call must not touch the table: the records arrive only once the GUI thread
// runs its events.
TEST(SettingsDialogs, RecordsFromAnotherThreadReachTheTableOnTheGuiThread)
{
    VeltoDevicesWidget table;
    table.setDevices({PanelTest::device("02:56:4C:00:00:01", "10.77.0.20"),
                      PanelTest::device("02:56:4C:00:00:02", "10.77.0.21")});
    VeltoDevice changed = table.deviceAt(1);
    changed.setIp("10.77.0.77");
    VeltoDeviceIpSettingsDialog dialog;
    dialog.setDevicesWidget(&table);

    std::unique_ptr<QThread> worker(
        QThread::create([&] { dialog.updateDevices(QVector<VeltoDevice>{changed}); }));
    worker->start();
    ASSERT_TRUE(worker->wait(5000));
    EXPECT_EQ(table.deviceAt(1).ip(), QStringLiteral("10.77.0.21"));
    QApplication::processEvents();
    EXPECT_EQ(table.deviceAt(1).ip(), QStringLiteral("10.77.0.77"));
    EXPECT_EQ(table.deviceAt(0).ip(), QStringLiteral("10.77.0.20"));

    dialog.updateDevices({PanelTest::device("02:56:4C:00:00:09", "10.77.0.99")}); // no such row
    EXPECT_EQ(table.deviceAt(0).ip(), QStringLiteral("10.77.0.20"));
}

} // namespace
