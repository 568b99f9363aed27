// The panel and its dialogs against the device simulator across a veth pair between two
// private network namespaces. Run through scripts/netns-run.sh: this program runs in
// namespace A on NETNS_IF_A, the simulator in namespace B.
#include "SimulatedPanelTest.h"
#include "support/TestPaths.h"

#include "JXUtils/JXConfigure.h"

#include "JXWidget/JXLabel.h"
#include "UI/VeltoDeviceFirmwareSettingsDialog.h"
#include "UI/VeltoDeviceIPInfoDialog.h"
#include "UI/VeltoDeviceIpSettingsDialog.h"
#include "UI/VeltoDeviceLanKitWidget.h"
#include "UI/VeltoDevicesWidget.h"
#include "Velto/VeltoSDK.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

// The simulator's first two cameras.
const char kFirstMac[] = "02:56:4C:00:00:01";
const char kSecondMac[] = "02:56:4C:00:00:02";

// A firmware file of size random bytes at path; its contents.
QByteArray writeFirmware(const QString &path, int size)
{
    QByteArray data(size, '\0');
    QRandomGenerator generator(20241208);
    for (char &byte : data)
        byte = static_cast<char>(generator.generate() & 0xff);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(data);
    return data;
}

QPushButton *buttonWithText(QWidget &dialog, const QString &text)
{
    for (QPushButton *button : dialog.findChildren<QPushButton *>()) {
        if (button->text().compare(text, Qt::CaseInsensitive) == 0)
            return button;
    }
    return nullptr;
}

class PanelNetns : public SimulatedPanelTest
{
protected:
    void simulate(const QStringList &arguments, int expected)
    {
        SimulatedPanelTest::simulate(arguments, expected, 0.4);
    }

    // The JSON of every request of that method the simulator received, in order.
    QList<QJsonObject> requests(const char *method)
    {
        QList<QJsonObject> found;
        for (const QJsonObject &event : sim->events("request")) {
            if (event.value("method") != QLatin1String(method))
                continue;
            const QByteArray raw = QByteArray::fromHex(event.value("raw").toString().toLatin1());
            found << QJsonDocument::fromJson(raw.mid(8)).object();
        }
        return found;
    }

    // The text of the next alert, which is answered with its Ok button; read once the
    // alert has been shown.
    void tellingOk()
    {
        told.clear();
        PanelTest::whenModalShown("JXAlertDialog", [this](QWidget &alert) {
            told = alert.findChild<QLabel *>()->text();
            buttonWithText(alert, "Ok")->click();
        });
    }

    QString told;

    // Runs Set in the IP dialog for the table's first device in static mode.
    int setStatic(const char *ip, const char *netmask, const char *gateway)
    {
        VeltoDeviceIPInfoDialog dialog;
        dialog.setDevice(table.deviceAt(0), &table);
        dialog.findChild<QComboBox *>()->setCurrentIndex(1);
        const QList<QLineEdit *> edits = dialog.findChildren<QLineEdit *>();
        edits[0]->setText(QString::fromUtf8(ip));
        edits[1]->setText(QString::fromUtf8(netmask));
        edits[2]->setText(QString::fromUtf8(gateway));
        dialog.onClickSetButton(false);
        return dialog.result();
    }
};

TEST_F(PanelNetns, StaticAddressesAreSentAsPlainDottedQuadsAndShownAtOnce)
{
    simulate({"--count", "1", "--delay-max", "20"}, 1);
    EXPECT_EQ(setStatic("192.168.1.10x", " 255.255.255.0", "+192.168.1.1"), QDialog::Accepted);
    EXPECT_EQ(table.deviceAt(0).ip(), QStringLiteral("192.168.1.10"));
    EXPECT_EQ(table.deviceAt(0).netmask(), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(setStatic(" 192.168.1.11", "255.255.0.0", "192.168.1.1"), QDialog::Accepted);
    EXPECT_EQ(table.deviceAt(0).ip(), QStringLiteral("192.168.1.11"));
    EXPECT_EQ(table.deviceAt(0).ipMode(), QStringLiteral("dhcp")); // as the camera reported it

    ASSERT_TRUE(!sim->waitForEvent("request", 2000, 3).isEmpty());
    const QList<QJsonObject> sent = requests("SetIp");
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(sent[0].value("ip"), QLatin1String("192.168.1.10"));
    EXPECT_EQ(sent[0].value("netmask"), QLatin1String("255.255.255.0"));
    EXPECT_EQ(sent[0].value("gateway"), QLatin1String("192.168.1.1"));
    EXPECT_EQ(sent[1].value("ip"), QLatin1String("192.168.1.11"));
    EXPECT_EQ(sent[1].value("IpMode"), QLatin1String("static"));
}

TEST_F(PanelNetns, ARefusedAddressChangesNothingAndAnInvalidOneSendsNothing)
{
    simulate({"--count", "1", "--delay-max", "20", "--misbehave", "fail"}, 1);
    const VeltoDevice before = table.deviceAt(0);
    tellingOk();
    EXPECT_EQ(setStatic("10.77.0.60", "255.255.255.0", "10.77.0.1"), QDialog::Accepted);
    EXPECT_EQ(told, "Not done:\nCamera 1 (02:56:4C:00:00:01): refused by the device");
    EXPECT_EQ(table.deviceAt(0).allValues(), before.allValues());
    // Each stays open and sends nothing.
    EXPECT_EQ(setStatic("10.77.0.60", "255.255.255.0", "abc"), 0);
    EXPECT_EQ(setStatic("10.77.0.60", "255.0.255.0", "10.77.0.1"), 0);
    QTest::qWait(300);
    EXPECT_EQ(requests("SetIp").size(), 1);
}

TEST_F(PanelNetns, DhcpMarksTheRecordAfterOneMessage)
{
    simulate({"--count", "1", "--delay-max", "20"}, 1);
    VeltoDevice reported = table.deviceAt(0);
    reported.setIpMode("static");
    table.updateDevices({reported});
    VeltoDeviceIPInfoDialog dialog;
    dialog.setDevice(table.deviceAt(0), &table);
    EXPECT_EQ(dialog.findChild<QComboBox *>()->currentIndex(), 1);
    dialog.findChild<QComboBox *>()->setCurrentIndex(0);
    dialog.onClickSetButton(false);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(table.deviceAt(0).ipMode(), QStringLiteral("dhcp"));
    ASSERT_FALSE(sim->waitForEvent("request", 2000, 2).isEmpty());
    const QList<QJsonObject> sent = requests("SetIp");
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0].value("IpMode"), QLatin1String("dhcp"));
    EXPECT_FALSE(sent[0].contains("ip"));
}

// The first camera never answers: closing the progress dialog ends its wait at once, and
// the second camera is never asked.
TEST_F(PanelNetns, ClosingWhileADeviceIsSilentReturnsAtOnceAndSkipsTheRest)
{
    simulate({"--count", "2", "--delay-max", "20", "--misbehave", "silent", "--misbehaving", "1"},
             1);
    VeltoDevice silent = PanelTest::device(kFirstMac, "10.77.0.30");
    const VeltoDevice second = table.deviceAt(0);
    ASSERT_EQ(second.mac(), QLatin1String(kSecondMac));
    VeltoDeviceIpSettingsDialog dialog;
    dialog.setDevicesWidget(&table);
    dialog.setSettings({silent, table.deviceAt(0)}, {"10.77.0.31", "10.77.0.32"},
                       {"255.255.255.0", "255.255.255.0"}, {"10.77.0.1", "10.77.0.1"}, {"", ""},
                       {"", ""}, false);
    QElapsedTimer sinceClose;
    PanelTest::whenModalShown("VeltoDeviceIpSettingsDialog", [&](QWidget &shown) {
        (void)sim->waitForEvent("request", 2000, 2); // the search, then the first SetIp
        QTest::qWait(200);
        sinceClose.start();
        shown.close();
    });
    dialog.start();
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_LT(sinceClose.elapsed(), 500);
    QTest::qWait(500);
    EXPECT_EQ(requests("SetIp").size(), 1);
    EXPECT_EQ(table.deviceAt(0).allValues(), second.allValues());
}

TEST_F(PanelNetns, FirmwareArrivesByteForByteWithProgressTo100)
{
    QTemporaryDir dir;
    simulate({"--count", "1", "--delay-max", "20", "--upload-dir", dir.filePath("up")}, 1);
    const QString path = dir.filePath("fw 2.2.bin");
    const QByteArray firmware = writeFirmware(path, 900 * 1024);

    VeltoDeviceFirmwareSettingsDialog dialog;
    dialog.setSettings({table.deviceAt(0)}, {path});
    QList<int> seen;
    QObject::connect(&dialog, &VeltoDeviceFirmwareSettingsDialog::_uploadProgress, &dialog,
                     [&](qint64 sent, qint64 total) { seen << int(sent * 100 / total); });
    const int from = log.size();
    dialog.start();
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.progressValue(), 100);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.last(), 100);
    EXPECT_TRUE(dialog.message().endsWith(" KB")) << dialog.message().toStdString();
    const QStringList outcome =
        log.matching("VeltoDeviceFirmwareSettingsDialog.cpp: firmware", from);
    ASSERT_EQ(outcome.size(), 1);
    EXPECT_TRUE(outcome[0].endsWith(" upgraded on 02:56:4C:00:00:01")) << outcome[0].toStdString();
    EXPECT_FALSE(outcome[0].contains("not upgraded"));

    const QJsonObject upload = sim->waitForEvent("upload", 2000);
    EXPECT_EQ(upload.value("file"), QLatin1String("fw 2.2.bin"));
    QFile stored(upload.value("path").toString());
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_TRUE(stored.readAll() == firmware);
}

// The camera reads slowly, as one busy writing flash does: closing the dialog cancels the
// upload, returns within a second, and the camera sees the connection end once it has read
// what the kernel still held for it (about a megabyte, a second or so at this rate).
TEST_F(PanelNetns, ClosingMidUploadCancelsItWithinASecond)
{
    QTemporaryDir dir;
    simulate({"--count", "1", "--delay-max", "20", "--upload-rate", "1048576", "--upload-dir",
              dir.filePath("up")},
             1);
    const QString path = dir.filePath("fw.bin");
    writeFirmware(path, 24 * 1024 * 1024); // 24 s at that rate

    VeltoDeviceFirmwareSettingsDialog dialog;
    dialog.setSettings({table.deviceAt(0)}, {path});
    qint64 closing = -1;
    PanelTest::whenModalShown("VeltoDeviceFirmwareSettingsDialog", [&](QWidget &shown) {
        QTest::qWait(1000);
        QElapsedTimer timer;
        timer.start();
        shown.close();
        closing = timer.elapsed();
    });
    const int from = log.size();
    dialog.start();
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_GE(closing, 0);
    EXPECT_LT(closing, 1000);
    const QJsonObject aborted = sim->waitForEvent("upload-aborted", 15000);
    ASSERT_FALSE(aborted.isEmpty());
    EXPECT_LT(aborted.value("received").toInt(), aborted.value("expected").toInt());
    EXPECT_TRUE(sim->events("upload").isEmpty());
    EXPECT_EQ(log.matching("VeltoDeviceFirmwareSettingsDialog.cpp: firmware", from).size(), 1);
    EXPECT_EQ(log.matching("VeltoDeviceFirmwareSettingsDialog.cpp: firmware", from)
                  .filter("not upgraded on 02:56:4C:00:00:01: cancelled, result -3")
                  .size(),
              1);
}

// Accepts each upgrade verdict dialog shown while it lives and keeps the verdicts. It polls
// instead of waiting inside a dialog's event loop, so the dialogs before it run undisturbed.
class VerdictCatcher
{
public:
    VerdictCatcher()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget *shown = QApplication::activeModalWidget();
            if (!shown || !shown->inherits("VeltoUpgradeResultDialog"))
                return;
            auto *rows = shown->findChild<QTableWidget *>("upgradeResults");
            for (int r = 0; r < rows->rowCount(); ++r)
                verdicts << rows->item(r, 3)->text();
            static_cast<QDialog *>(shown)->accept();
        });
        timer.start(50);
    }
    QStringList verdicts;

private:
    QTimer timer;
};

class PanelOperations : public PanelNetns
{
protected:
    void SetUp() override
    {
        PanelNetns::SetUp();
        panel.setDevicesWidget(&table);
        panel.resize(800, 400);
        panel.show();
        JXConfigure().setUpgradeVerifySeconds(2);
    }

    void click(const char *name)
    {
        QTest::mouseClick(panel.findChild<QWidget *>(name), Qt::LeftButton);
    }

    // Clicks "Upgrade Firmware" and chooses path in the file dialog.
    void upgradeWith(const QString &path)
    {
        PanelTest::whenModalShown("QFileDialog", [path](QWidget &shown) {
            auto &chooser = static_cast<QFileDialog &>(shown);
            chooser.setDirectory(QFileInfo(path).path());
            chooser.selectFile(path);
            static_cast<QDialog &>(chooser).accept();
        });
        click("upgradeButton");
    }

    ScopedAppDir app; // the configuration the verification time is read from
    VeltoDeviceLanKitWidget panel;
};

TEST_F(PanelOperations, ASpacesOnlyNameIsSentUnchanged)
{
    simulate({"--count", "1", "--delay-max", "20"}, 1);
    panel.setDevice(table.deviceAt(0));
    panel.findChild<QLineEdit *>("nameEdit")->setText("   ");
    click("nameButton");
    EXPECT_EQ(table.deviceAt(0).name(), QStringLiteral("   "));
    ASSERT_FALSE(sim->waitForEvent("request", 2000, 2).isEmpty());
    const QList<QJsonObject> sent = requests("SetName");
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0].value("name"), QLatin1String("   "));
    EXPECT_EQ(sent[0].value("destarray").toArray().at(0), QLatin1String("02564C000001"));
}

// A refused name, an unanswered one, an upload the camera refuses and an empty file: the
// alert names the device and the reason, and the table keeps what it showed.
TEST_F(PanelOperations, FailuresAreToldAndTheTableKeepsItsValues)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath("empty.bin");
    writeFirmware(empty, 0);
    const QString firmware = dir.filePath("fw.bin");
    writeFirmware(firmware, 4096);
    const struct
    {
        QStringList arguments;
        const char *file; // null: set a name
        const char *told;
    } cases[] = {
        {{"--misbehave", "fail"}, nullptr, "Camera 1 (02:56:4C:00:00:01): refused by the device"},
        {{"--misbehave", "silent"},
         nullptr,
         "Hall camera (02:56:4C:00:00:01): no answer within 3 s"},
        {{"--upload-result", "1"},
         "fw.bin",
         "Camera 1 (02:56:4C:00:00:01): refused by the device (1)"},
        {{}, "empty.bin", "Camera 1 (02:56:4C:00:00:01): The firmware file is empty"},
    };
    for (const auto &c : cases) {
        sim.reset();
        const bool silent = c.arguments.contains("silent");
        simulate(
            QStringList({"--count", "1", "--delay-max", "20", "--upload-dir", dir.filePath("up")}) +
                c.arguments,
            silent ? 0 : 1);
        if (silent)
            table.setDevices(
                {PanelTest::device(kFirstMac, QString::fromLatin1(qgetenv("NETNS_IP_B")))});
        const VeltoDevice before = table.deviceAt(0);
        tellingOk();
        if (c.file) {
            VeltoDeviceFirmwareSettingsDialog dialog;
            dialog.setDevicesWidget(&table);
            dialog.setSettings({before}, {dir.filePath(c.file)});
            dialog.start();
            EXPECT_EQ(dialog.exec(), QDialog::Accepted);
        } else {
            panel.setDevice(before);
            panel.findChild<QLineEdit *>("nameEdit")->setText("Gate 7");
            click("nameButton");
        }
        EXPECT_EQ(told, "Not done:\n" + QString::fromUtf8(c.told));
        EXPECT_EQ(table.deviceAt(0).allValues(), before.allValues()) << c.told;
    }
    EXPECT_EQ(sim->events("upload").size(), 0u);
}

// Over the limit nothing is sent; at the limit, sent with Return in the field, the camera
// still answers searches.
TEST_F(PanelOperations, NamesAreLimitedByTheBytesTheirReplyCarries)
{
    simulate({"--count", "1", "--delay-max", "20"}, 1);
    panel.setDevice(table.deviceAt(0));
    QLineEdit *edit = panel.findChild<QLineEdit *>("nameEdit");
    const QString atLimit = QString(340, QChar(0x95e8)) + "\"\\"; // 1,020 + 2 + 2 bytes
    for (const QString &refused : {atLimit + "x", QString("Gate\n7")}) {
        edit->setText(refused);
        click("nameButton");
        QStringList toasts;
        for (JXLabel *label : panel.findChildren<JXLabel *>()) {
            if (label->objectName().isEmpty())
                toasts << label->text();
        }
        EXPECT_EQ(toasts.size(), 1);
        EXPECT_TRUE(toasts.value(0).contains(refused.contains('x') ? "1024 bytes" : "control"))
            << toasts.value(0).toStdString();
    }
    QTest::qWait(300);
    EXPECT_TRUE(requests("SetName").isEmpty());

    edit->setText(atLimit);
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_FALSE(sim->waitForEvent("request", 2000, 2).isEmpty());
    ASSERT_EQ(requests("SetName").size(), 1);
    EXPECT_EQ(table.deviceAt(0).name(), atLimit);
    QVector<VeltoDevice> found;
    VeltoSDK::instance()->searchDevices(found, 0.4);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].name(), atLimit);
}

// Confirmed, the restore is sent, and what the camera answers afterwards (its factory
// name and address) becomes the row's record and the panel's. A bare Return cancels.
TEST_F(PanelOperations, RestoreSendsOnlyWhenConfirmedAndTakesTheDevicesAnswer)
{
    simulate({"--count", "1", "--delay-max", "20"}, 1);
    panel.setDevice(table.deviceAt(0));
    panel.findChild<QLineEdit *>("nameEdit")->setText("Gate 4");
    click("nameButton");
    ASSERT_EQ(table.deviceAt(0).name(), QStringLiteral("Gate 4"));
    QString asked;
    for (const char *answer : {"Return", "Cancel", "Ok"}) {
        PanelTest::whenModalShown("JXAlertDialog", [answer, &asked](QWidget &alert) {
            asked = alert.findChild<QLabel *>()->text();
            if (answer[0] == 'R')
                QTest::keyClick(&alert, Qt::Key_Return);
            else
                buttonWithText(alert, QString::fromLatin1(answer))->click();
        });
        click("restoreButton");
        QTest::qWait(300);
        EXPECT_EQ(requests("ResetDefault").size(), answer[0] == 'O' ? 1 : 0) << answer;
        EXPECT_EQ(asked, "Restore Gate 4 (02:56:4C:00:00:01) to factory settings?\n"
                         "Its network settings are reset too.");
    }
    EXPECT_EQ(requests("ResetDefault").at(0).value("keepnetwork"), QLatin1String("0"));
    EXPECT_EQ(table.deviceAt(0).name(), QStringLiteral("Camera 1"));
    EXPECT_EQ(panel.findChild<QLineEdit *>("nameEdit")->text(), QStringLiteral("Camera 1"));
}

// The camera answers on its old firmware, restarts, then reports its new version: the
// panel waits for it, shows "upgraded", and the row and the panel show the new version.
TEST_F(PanelOperations, UpgradeUploadsTheChosenFileAndTheNewVersionReachesTheRow)
{
    QTemporaryDir dir;
    simulate({"--count", "1", "--delay-max", "20", "--upload-dir", dir.filePath("up"),
              "--after-upload", "reboot:300:300"},
             1);
    JXConfigure().setUpgradeVerifySeconds(12);
    const QString path = dir.filePath("chosen.bin");
    const QByteArray firmware = writeFirmware(path, 64 * 1024);
    panel.setDevice(table.deviceAt(0));
    const VerdictCatcher verdict;
    upgradeWith(path);
    const QJsonObject upload = sim->waitForEvent("upload", 3000);
    EXPECT_EQ(upload.value("file"), QLatin1String("chosen.bin"));
    QFile stored(upload.value("path").toString());
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_TRUE(stored.readAll() == firmware);
    EXPECT_EQ(verdict.verdicts, QStringList{"upgraded"});
    EXPECT_EQ(table.deviceAt(0).appVersion(), QStringLiteral("V2.1.8"));
    EXPECT_EQ(panel.device().appVersion(), QStringLiteral("V2.1.8"));
}

// Addresses added to the simulator's end of the veth for the life of the object.
class PeerAddresses
{
public:
    explicit PeerAddresses(const QStringList &addresses) : list(addresses)
    {
        for (const QString &address : list)
            run("add", address);
    }
    ~PeerAddresses()
    {
        for (const QString &address : list)
            run("del", address);
    }

private:
    static void run(const char *verb, const QString &address)
    {
        VeltoTest::ip({"-n", qEnvironmentVariable("NETNS_B"), "addr", verb, address + "/24", "dev",
                       qEnvironmentVariable("NETNS_IF_B")});
    }
    const QStringList list;
};

// The camera at .30 is moved to .31, where a second simulator stands for it after the
// move. What the panel does next must follow the table's record as it is then.
TEST_F(PanelOperations, AfterRenameAndAddressChangeTheRecordIsCurrentAndTheUpgradeFollowsIt)
{
    QTemporaryDir dir;
    const PeerAddresses addresses({"10.77.0.30", "10.77.0.31"});
    SimulatorProcess moved({"--addresses", "10.77.0.31", "--mac-prefix", "02:56:4D", "--delay-max",
                            "20", "--upload-dir", dir.filePath("new")});
    ASSERT_TRUE(moved.isReady());
    simulate(
        {"--addresses", "10.77.0.30", "--delay-max", "20", "--upload-dir", dir.filePath("old")}, 2);
    ASSERT_EQ(table.deviceAt(0).ip(), QStringLiteral("10.77.0.30"));
    // The stand-in that answers at the new address must not be listed: a listed device's
    // address is refused.
    table.setDevices({table.deviceAt(0)});
    panel.setDevice(table.deviceAt(0));

    panel.findChild<QLineEdit *>("nameEdit")->setText("Gate 4");
    click("nameButton");
    PanelTest::whenModalShown("VeltoDeviceIPInfoDialog", [](QWidget &shown) {
        auto &dialog = static_cast<VeltoDeviceIPInfoDialog &>(shown);
        dialog.findChild<QComboBox *>()->setCurrentIndex(1);
        const QList<QLineEdit *> edits = dialog.findChildren<QLineEdit *>();
        edits[0]->setText("10.77.0.31");
        edits[1]->setText("255.255.255.0");
        edits[2]->setText("10.77.0.1");
        dialog.onClickSetButton(false);
    });
    click("ipButton");
    EXPECT_EQ(table.deviceAt(0).name(), QStringLiteral("Gate 4"));
    EXPECT_EQ(table.deviceAt(0).ip(), QStringLiteral("10.77.0.31"));
    EXPECT_EQ(panel.device().name(), QStringLiteral("Gate 4"));
    EXPECT_EQ(panel.device().ip(), QStringLiteral("10.77.0.31"));
    EXPECT_EQ(panel.findChild<QLabel *>("ipValue")->toolTip(), QStringLiteral("10.77.0.31(dhcp)"));

    const QString path = dir.filePath("next.bin");
    writeFirmware(path, 4096);
    const VerdictCatcher verdict;
    upgradeWith(path);
    EXPECT_EQ(moved.waitForEvent("upload", 3000).value("file"), QLatin1String("next.bin"));
    EXPECT_TRUE(sim->events("upload").isEmpty()) << "nothing may reach the old address";
}

} // namespace
