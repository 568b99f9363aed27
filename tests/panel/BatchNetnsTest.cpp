// The device table's right-click operations on ticked devices, against eight simulated
// cameras across a veth pair between two private network namespaces.
#include "SimulatedPanelTest.h"
#include "support/TestPaths.h"

#include "JXUtils/JXConfigure.h"
#include "UI/CVTableWidget.h"
#include "UI/QCheckBoxHeaderWidget.h"
#include "UI/VTCheckItemWidget.h"
#include "UI/VeltoBatchMenu.h"
#include "UI/VeltoDevicesWidget.h"
#include "UI/VeltoUpgradeResultDialog.h"
#include "Velto/VeltoSDK.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

class BatchNetns : public SimulatedPanelTest
{
protected:
    void SetUp() override
    {
        SimulatedPanelTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        firmware = dir.filePath("fw.bin");
        QFile file(firmware);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(256 * 1024, 'F'));
    }

    void simulate(const QStringList &arguments, int expected)
    {
        SimulatedPanelTest::simulate(arguments, expected, 0.6);
        table.resize(420, 300);
        table.show();
    }
    VeltoBatchMenu *batch() const { return table.findChild<VeltoBatchMenu *>("batchMenu"); }
    void tickAll() const { QTest::mouseClick(table.header()->checkBox(), Qt::LeftButton); }
    void clickTick(int row) const
    {
        auto *cell = qobject_cast<VTCheckItemWidget *>(table.tableWidget()->cellWidget(row, 0));
        QTest::mouseClick(cell->checkBox(), Qt::LeftButton);
    }
    // The entries of the menu as it would open now: text and whether enabled.
    QList<QPair<QString, bool>> entries() const
    {
        std::unique_ptr<QMenu> menu(batch()->createMenu());
        QList<QPair<QString, bool>> list;
        for (QAction *action : menu->actions())
            list << qMakePair(action->text(), action->isEnabled());
        return list;
    }
    // Answers the next confirmation with button, then calls then (from inside the alert's
    // event loop, so that a dialog shown next can be waited for); the question lands in
    // *answered.
    void confirmWith(const char *button, std::function<void()> then = {})
    {
        auto asked = std::make_shared<QString>();
        PanelTest::whenModalShown("JXAlertDialog", [asked, button, then](QWidget &alert) {
            *asked = alert.findChild<QLabel *>()->text();
            for (QPushButton *b : alert.findChildren<QPushButton *>()) {
                if (b->text().compare(QLatin1String(button), Qt::CaseInsensitive) == 0)
                    b->click();
            }
            if (then)
                then();
        });
        answered = asked;
    }

    ScopedAppDir app; // the configuration the verification time is read from
    QTemporaryDir dir;
    QString firmware;
    std::shared_ptr<QString> answered;
};

TEST_F(BatchNetns, EntriesNeedATick)
{
    simulate({"--count", "2", "--delay-max", "20", "--http-port", "0"}, 2);
    const QList<QPair<QString, bool>> off = {{"Upgrade firmware of ticked devices…", false},
                                             {"Set ticked devices to DHCP", false},
                                             {"Restore ticked devices…", false}};
    EXPECT_EQ(entries(), off);
    clickTick(1);
    for (const auto &entry : entries())
        EXPECT_TRUE(entry.second) << entry.first.toStdString();
    clickTick(1);
    EXPECT_EQ(entries(), off);
    // A right click opens it as a context menu, not as a menu bar.
    QTest::mouseClick(table.tableWidget()->viewport(), Qt::RightButton);
    emit table.tableWidget()->customContextMenuRequested(QPoint(5, 5));
    QMenu *shown = nullptr;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        shown = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        return shown != nullptr;
    }));
    if (shown)
        shown->close();
}

TEST_F(BatchNetns, EightTickedDevicesEachReceiveTheFile)
{
    simulate({"--count", "8", "--delay-max", "50", "--upload-dir", dir.filePath("up")}, 8);
    // Cameras that keep their version are asked again until the wait ends.
    JXConfigure().setUpgradeVerifySeconds(6);
    tickAll();
    batch()->setFirmwareFileForTesting(firmware);
    confirmWith("Ok");
    QStringList verdicts;
    batch()->resultShown = [&verdicts](VeltoUpgradeResultDialog &result) {
        QTimer::singleShot(0, &result, [&] {
            auto *rows = result.findChild<QTableWidget *>("upgradeResults");
            for (int r = 0; r < rows->rowCount(); ++r)
                verdicts << rows->item(r, 3)->text();
            result.accept();
        });
    };
    const int from = log.size();
    batch()->upgradeTicked();
    EXPECT_EQ(*answered, "Upgrade firmware of 8 devices?");
    // These cameras keep their version: they answer every round, none is upgraded.
    EXPECT_EQ(verdicts, QVector<QString>(8, QStringLiteral("same version")).toList());
    QList<QJsonObject> uploads = sim->events("upload");
    ASSERT_EQ(uploads.size(), 8);
    QStringList srcids;
    for (const QJsonObject &upload : uploads) {
        srcids << upload.value("srcid").toString();
        QFile stored(upload.value("path").toString());
        ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
        EXPECT_EQ(stored.readAll(), QByteArray(256 * 1024, 'F'));
    }
    EXPECT_EQ(srcids,
              QStringList({"02564C000001", "02564C000002", "02564C000003", "02564C000004",
                           "02564C000005", "02564C000006", "02564C000007", "02564C000008"}));
    const QStringList lines = log.matching("VeltoDeviceFirmwareSettingsDialog.cpp: firmware", from);
    EXPECT_EQ(lines.filter(" upgraded on ").size(), 8);
    EXPECT_TRUE(lines.filter("not upgraded").isEmpty());
}

TEST_F(BatchNetns, CancelledConfirmationSendsNothing)
{
    simulate({"--count", "3", "--delay-max", "20", "--upload-dir", dir.filePath("up")}, 3);
    clickTick(0);
    clickTick(2);
    batch()->setFirmwareFileForTesting(firmware);
    confirmWith("Cancel");
    batch()->upgradeTicked();
    EXPECT_EQ(*answered, "Upgrade firmware of 2 devices?");
    confirmWith("Cancel");
    batch()->restoreTicked();
    EXPECT_EQ(*answered, "Restore 2 devices?\nTheir network settings are reset too.");
    QTest::qWait(300);
    EXPECT_TRUE(sim->events("upload").isEmpty());
    for (const QJsonObject &request : sim->events("request"))
        EXPECT_EQ(request.value("method").toString(), "search");
}

// Closing the dialog ends the upload under way and skips the devices after it.
TEST_F(BatchNetns, ClosingMidBatchSkipsTheRest)
{
    simulate({"--count", "4", "--delay-max", "20", "--upload-rate", "65536", "--upload-dir",
              dir.filePath("up")},
             4);
    tickAll();
    batch()->setFirmwareFileForTesting(firmware); // 4 s per device at that rate
    QString message;
    confirmWith("Ok", [&message] {
        PanelTest::whenModalShown("VeltoDeviceFirmwareSettingsDialog", [&message](QWidget &shown) {
            QTest::qWait(1500);
            for (QLabel *label : shown.findChildren<QLabel *>()) {
                if (label->text().contains("Upgrading firmware"))
                    message = label->text();
            }
            shown.close();
        });
    });
    const int from = log.size();
    batch()->upgradeTicked();
    EXPECT_TRUE(message.startsWith("Upgrading firmware 1/4 ")) << message.toStdString();
    ASSERT_FALSE(sim->waitForEvent("upload-aborted", 10000).isEmpty());
    QTest::qWait(500);
    EXPECT_TRUE(sim->events("upload").isEmpty());
    EXPECT_EQ(sim->events("upload-aborted").size(), 1);
    const QStringList lines = log.matching("VeltoDeviceFirmwareSettingsDialog.cpp: firmware", from);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].contains("02:56:4C:00:00:01: cancelled")) << lines[0].toStdString();
}

// Reachable is not upgraded: after the uploads the devices are searched for until each has
// answered with a new version, and each gets its verdict. The second and fourth still
// answer on their old firmware for 3 s before they restart; the fourth never comes back.
TEST_F(BatchNetns, UpgradeIsVerifiedDeviceByDevice)
{
    simulate({"--count", "8", "--delay-max", "50", "--upload-dir", dir.filePath("up"),
              "--after-upload", "new,reboot:3000:3000,same,reboot:3000:600000"},
             8);
    JXConfigure().setUpgradeVerifySeconds(12);
    for (int row = 0; row < 4; ++row)
        clickTick(row);
    batch()->setFirmwareFileForTesting(firmware);
    confirmWith("Ok");
    QString copied;
    QStringList shown;
    batch()->resultShown = [&](VeltoUpgradeResultDialog &result) {
        QTimer::singleShot(0, &result, [&] {
            QTest::mouseClick(result.findChild<QPushButton *>("copyResults"), Qt::LeftButton);
            copied = QApplication::clipboard()->text();
            auto *rows = result.findChild<QTableWidget *>("upgradeResults");
            for (int r = 0; r < rows->rowCount(); ++r)
                shown << rows->item(r, 3)->text();
            result.accept();
        });
    };
    const int from = log.size();
    QElapsedTimer took;
    took.start();
    batch()->upgradeTicked();
    EXPECT_EQ(sim->events("upload").size(), 4);
    EXPECT_EQ(shown, QStringList({"upgraded", "upgraded", "same version", "did not come back"}));
    EXPECT_EQ(copied, "Mac\tVersion before\tVersion after\tResult\n"
                      "02:56:4C:00:00:01\tV2.1.7.240315\tV2.1.8.261208\tupgraded\n"
                      "02:56:4C:00:00:02\tV2.1.7.240315\tV2.1.8.261208\tupgraded\n"
                      "02:56:4C:00:00:03\tV2.1.7.240315\tV2.1.7.240315\tsame version\n"
                      "02:56:4C:00:00:04\tV2.1.7.240315\t\tdid not come back\n");
    EXPECT_EQ(log.matching("VeltoUpgradeResultDialog.cpp: upgrade 02:56:4C:00:00:04: "
                           "V2.1.7.240315 -> , did not come back",
                           from)
                  .size(),
              1);
    // Rounds at 0, 5 and 10 s wait for the devices still awaited, no longer.
    EXPECT_GT(took.elapsed(), 10000);
    EXPECT_LT(took.elapsed(), 20000);
    // The table shows what the upgraded devices answered; the others keep their records.
    const QStringList versions = {
        table.deviceAt(0).value("appVersion"), table.deviceAt(1).value("appVersion"),
        table.deviceAt(2).value("appVersion"), table.deviceAt(3).value("appVersion")};
    EXPECT_EQ(versions,
              QStringList({"V2.1.8.261208", "V2.1.8.261208", "V2.1.7.240315", "V2.1.7.240315"}));
    EXPECT_TRUE(table.deviceAt(0).ticked) << "a tick is not the device's to change";
}

// DHCP goes to the ticked devices only, in one message, once the operator confirmed it;
// their rows show the new mode at once.
TEST_F(BatchNetns, DhcpReachesOnlyTheTickedDevicesOnceConfirmed)
{
    simulate({"--count", "3", "--delay-max", "20"}, 3);
    clickTick(0);
    clickTick(2);
    const auto sentSetIp = [this] {
        QList<QByteArray> sent;
        for (const QJsonObject &event : sim->events("request")) {
            const QByteArray raw = QByteArray::fromHex(event.value("raw").toString().toLatin1());
            if (raw.contains("\"SetIp\""))
                sent << raw;
        }
        return sent;
    };
    confirmWith("Cancel");
    batch()->setTickedToDhcp();
    EXPECT_EQ(*answered, "Set 2 devices to DHCP?");
    QTest::qWait(300);
    EXPECT_TRUE(sentSetIp().isEmpty()) << "sent without the operator's yes";

    confirmWith("Ok");
    batch()->setTickedToDhcp();
    const QList<QByteArray> sent = sentSetIp();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_TRUE(sent[0].contains("\"dhcp\""));
    EXPECT_TRUE(sent[0].contains("02564C000001"));
    EXPECT_FALSE(sent[0].contains("02564C000002"));
    EXPECT_TRUE(sent[0].contains("02564C000003"));
    EXPECT_EQ(table.deviceAt(0).ipMode(), "dhcp");
    EXPECT_EQ(table.deviceAt(2).ipMode(), "dhcp");
}

} // namespace
