// The protocol against the device simulator across a veth pair between two private
// network namespaces. Run through scripts/netns-run.sh: this program runs in namespace A
// on NETNS_IF_A, every simulator in namespace B on NETNS_IF_B.
#include "CloseCounter.h"
#include "DelayedWorker.h"
#include "SimulatorTest.h"

#include "JXUtils/JXThread.h"
#include "Velto/VeltoNetwork.h"
#include "Velto/VeltoSDK.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <memory>

namespace {
// Our interface gets a fixed MAC, so the srcid in the expected bytes is known and holds
// letters (a lower-case copy of it differs).
const char kOwnMac[] = "02:aa:bb:cc:dd:ee";
const char kOwnSrcId[] = "02AABBCCDDEE";
const char kSendOpened[] = "VeltoSDK.cpp: bind socket port 0 -> 0";
const char kTroubleBegins[] = "VeltoSDK.cpp: network trouble: ";
const char kTroubleEnds[] = "VeltoSDK.cpp: network back: ";

// Header written out by hand: four bytes of length, most significant first, four zeros.
QByteArray wire(const QByteArray &json)
{
    const int size = json.size() + 8;
    const char header[8] = {
        char(size >> 24), char(size >> 16), char(size >> 8), char(size), 0, 0, 0, 0};
    return QByteArray(header, 8) + json;
}

QStringList macsOf(const QVector<VeltoDevice> &devices)
{
    QStringList macs;
    for (const VeltoDevice &device : devices)
        macs << device.mac();
    return macs;
}

QByteArray randomBytes(int size)
{
    QByteArray data(size, '\0');
    QRandomGenerator generator(20240319);
    for (char &byte : data)
        byte = static_cast<char>(generator.generate() & 0xff);
    return data;
}

// A firmware file of size random bytes at path; its contents.
QByteArray writeFirmware(const QString &path, int size)
{
    const QByteArray data = randomBytes(size);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(data);
    return data;
}

class VeltoNetns : public SimulatorTest
{
protected:
    static void SetUpTestSuite() { setUpSuiteWithMac(kOwnMac); }

    void startProtocol()
    {
        SimulatorTest::startProtocol();
        ASSERT_EQ(sdk->srcId(), QLatin1String(kOwnSrcId));
    }

    QVector<VeltoDevice> search(double seconds)
    {
        QVector<VeltoDevice> found;
        sdk->searchDevices(found, seconds);
        std::sort(found.begin(), found.end(), VeltoDevice::lessByMac);
        return found;
    }

    // The raw bytes of the request with this id, as the simulator received them.
    QByteArray received(int id)
    {
        const QList<QJsonObject> requests = sim->events("request");
        for (const QJsonObject &request : requests) {
            if (request.value(QStringLiteral("id")).toInt(-1) == id)
                return QByteArray::fromHex(
                    request.value(QStringLiteral("raw")).toString().toLatin1());
        }
        return QByteArray();
    }
};
} // namespace

TEST_F(VeltoNetns, RequestsOnTheWireAreByteExact)
{
    simulate({"--count", "1", "--delay-max", "50"});
    startProtocol();
    const QVector<VeltoDevice> found = search(0.5);
    ASSERT_EQ(found.size(), 1);
    const VeltoDevice &device = found.first();
    EXPECT_EQ(sdk->setDeviceIp(device, "10.77.0.50", "255.255.255.0", "10.77.0.1", "10.77.0.1", ""),
              0);
    EXPECT_EQ(sdk->setDeviceMac(device, QString()), -1); // the device wants a "mac"
    EXPECT_EQ(sdk->resetDevices({device}), 0);
    auto nobody =
        std::async(std::launch::async, [this]() { return sdk->setDevicesName({}, "none"); });
    ASSERT_FALSE(sim->waitForEvent("request", 3000, 5).isEmpty());
    sdk->cancelWait();
    EXPECT_EQ(nobody.get(), -1);

    EXPECT_EQ(received(0), QByteArray::fromHex("0000006500000000") +
                               R"({"destarray":["all"],"id":0,"method":"search",)"
                               R"("srcid":"02AABBCCDDEE","user":"Windows LanKit"})");
    EXPECT_EQ(received(1),
              wire(R"({"IpMode":"static","destarray":["02564C000001"],"dns1":"10.77.0.1",)"
                   R"("dns2":"","gateway":"10.77.0.1","id":1,"ip":"10.77.0.50","method":"SetIp",)"
                   R"("netmask":"255.255.255.0","srcid":"02AABBCCDDEE"})"));
    EXPECT_EQ(received(2), wire(R"({"destarray":["02564C000001"],"id":2,"method":"SetMac",)"
                                R"("srcid":"02AABBCCDDEE"})"));
    EXPECT_EQ(received(3), wire(R"({"destarray":["02564C000001"],"id":3,"keepnetwork":"0",)"
                                R"("method":"ResetDefault","srcid":"02AABBCCDDEE"})"));
    EXPECT_EQ(received(4), wire(R"({"destarray":[],"id":4,"method":"SetName","name":"none",)"
                                R"("srcid":"02AABBCCDDEE"})"));
}

TEST_F(VeltoNetns, SearchListsDevicesAnsweringTwiceOnceSortedByMac)
{
    simulate({"--count", "6", "--misbehave", "twice", "--delay-max", "1500"});
    startProtocol();
    QElapsedTimer timer;
    timer.start();
    const QVector<VeltoDevice> found = search(3.0);
    EXPECT_GE(timer.elapsed(), 2990);
    EXPECT_EQ(macsOf(found),
              QStringList({"02:56:4C:00:00:01", "02:56:4C:00:00:02", "02:56:4C:00:00:03",
                           "02:56:4C:00:00:04", "02:56:4C:00:00:05", "02:56:4C:00:00:06"}));
    ASSERT_FALSE(found.isEmpty());
    EXPECT_EQ(found.first().srcId(), QStringLiteral("02564C000001"));
    EXPECT_EQ(found.first().intValue(QStringLiteral("httpport")), 8080);
    EXPECT_EQ(found.first().appVersion(), QStringLiteral("V2.1.7"));
}

TEST_F(VeltoNetns, SettingCommandsChangeTheDevices)
{
    simulate({"--count", "3", "--delay-max", "50"});
    startProtocol();
    QVector<VeltoDevice> found = search(0.4);
    ASSERT_EQ(found.size(), 3);
    const VeltoDevice first = found[0], second = found[1], third = found[2];

    EXPECT_EQ(
        sdk->setDeviceIp(second, "10.77.0.50", "255.255.0.0", "10.77.0.254", "1.1.1.1", "9.9.9.9"),
        0);
    EXPECT_EQ(sdk->setDevicesName({first, third}, "Line A"), 0);
    EXPECT_EQ(sdk->setDevicesP2pId({third}, "VLT-777777-ABCDE"), 0);
    EXPECT_EQ(sdk->setDevicesFunctionId({third}, "PAC"), 0);
    EXPECT_EQ(sdk->setDevicesPtz({first}, "left"), 0);
    found = search(0.4);
    ASSERT_EQ(found.size(), 3);
    EXPECT_EQ(found[1].ip(), QStringLiteral("10.77.0.50"));
    EXPECT_EQ(found[1].ipMode(), QStringLiteral("static"));
    EXPECT_EQ(found[1].netmask(), QStringLiteral("255.255.0.0"));
    EXPECT_EQ(found[1].gateway(), QStringLiteral("10.77.0.254"));
    EXPECT_EQ(found[1].dns2(), QStringLiteral("9.9.9.9"));
    EXPECT_EQ(found[0].name(), QStringLiteral("Line A"));
    EXPECT_EQ(found[1].name(), QStringLiteral("Camera 2"));
    EXPECT_EQ(found[2].name(), QStringLiteral("Line A"));
    EXPECT_EQ(found[2].p2pId(), QStringLiteral("VLT-777777-ABCDE"));
    EXPECT_FALSE(found[2].supportsWifi());

    EXPECT_EQ(sdk->setDevicesDhcp({second}), 0);
    EXPECT_EQ(sdk->resetDevices({first}), 0);
    EXPECT_EQ(sdk->setDeviceMac(third, "02:56:4C:00:00:33"), 0);
    found = search(0.4);
    ASSERT_EQ(found.size(), 3);
    EXPECT_EQ(found[0].name(), QStringLiteral("Camera 1"));
    EXPECT_EQ(found[1].ipMode(), QStringLiteral("dhcp"));
    EXPECT_EQ(found[1].ip(), QStringLiteral("10.77.0.2"));
    EXPECT_EQ(found[2].mac(), QStringLiteral("02:56:4C:00:00:33"));

    QVector<VeltoDeviceWiFiInfo> networks;
    EXPECT_EQ(sdk->scanDeviceWifi(first, networks), 0);
    ASSERT_EQ(networks.size(), 2); // the nameless network is left out
    EXPECT_EQ(networks[0].name, QStringLiteral("Workshop"));
    EXPECT_EQ(networks[0].signal, -41);
    int total = 0, free = 0;
    EXPECT_EQ(sdk->getDeviceSdCard(first, total, free), 0);
    EXPECT_EQ(total, 29806);
    EXPECT_EQ(free, 12034);
    const int id = sdk->setDeviceColor(first, true);
    EXPECT_EQ(sdk->setDeviceIrCut(first, "1"), id + 1);
    EXPECT_EQ(sdk->testDeviceMicrophone(first), id + 2);
    EXPECT_FALSE(sim->waitForEvent("request", 3000, id + 3).isEmpty());
}

TEST_F(VeltoNetns, FailingAndSilentDevicesGiveMinusOne)
{
    simulate({"--count", "2", "--misbehave", "fail", "--misbehaving", "1"});
    startProtocol();
    const VeltoDevice failing = VeltoTest::device("02564C000001");
    const VeltoDevice working = VeltoTest::device("02564C000002");
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(sdk->setDevicesName({failing}, "x"), -1);
    EXPECT_EQ(sdk->setDeviceIp(failing, "10.77.0.9", "255.255.255.0", "10.77.0.1", "", ""), -1);
    EXPECT_EQ(sdk->resetDevices({failing}), -1);
    EXPECT_LT(timer.elapsed(), 2000); // answered, not timed out
    EXPECT_EQ(sdk->setDevicesName({working}, "x"), 0);

    simulate({"--count", "1", "--misbehave", "silent"});
    timer.restart();
    EXPECT_EQ(sdk->setDevicesDhcp({failing}), -1);
    EXPECT_GE(timer.elapsed(), 2990);
    EXPECT_LT(timer.elapsed(), 6000);

    auto cancelled = std::async(std::launch::async, [&]() { return sdk->resetDevices({failing}); });
    ASSERT_FALSE(sim->waitForEvent("request", 3000, 2).isEmpty());
    QThread::msleep(300);
    timer.restart();
    sdk->cancelWait();
    EXPECT_EQ(cancelled.get(), -1);
    EXPECT_LT(timer.elapsed(), 1000);
}

TEST_F(VeltoNetns, MisbehavingRepliesAreDroppedAndTheNextGoodOneIsAccepted)
{
    simulate({"--count", "2", "--delay-max", "50", "--misbehave",
              "wrong-id,wrong-destid,lower-destid,bad-length,bad-json,oversize"});
    startProtocol();
    const QVector<VeltoDevice> found = search(0.6);
    EXPECT_EQ(macsOf(found), QStringList({"02:56:4C:00:00:01", "02:56:4C:00:00:02"}));
    ASSERT_EQ(found.size(), 2);
    // Every bad reply says "failure" and comes first; only the good one gives 0.
    EXPECT_EQ(sdk->setDevicesName({found[0]}, "Good"), 0);
    EXPECT_EQ(sdk->setDeviceIp(found[1], "10.77.0.60", "255.255.255.0", "10.77.0.1", "", ""), 0);
    int total = 0, free = 0;
    EXPECT_EQ(sdk->getDeviceSdCard(found[0], total, free), 0);
    EXPECT_EQ(total, 29806);
    // Only the reply with another id reached the queue among the bad ones.
    for (const QString &line : log.matching(QStringLiteral("VeltoSDK.cpp: recv ")))
        EXPECT_TRUE(!line.contains("failure") || line.contains("\"id\":10")) << qPrintable(line);
}

TEST_F(VeltoNetns, RequestIdsRestartAfterStart)
{
    simulate({"--count", "1", "--delay-max", "20"});
    startProtocol();
    EXPECT_EQ(search(0.3).size(), 1);
    EXPECT_EQ(sdk->testDeviceMicrophone(VeltoTest::device("02564C000001")), 1);
    ASSERT_FALSE(sim->waitForEvent("request", 3000, 2).isEmpty());

    sdk->stopThreads();
    startProtocol();
    QNetworkInterface iface;
    QNetworkAddressEntry entry;
    EXPECT_EQ(sdk->currentNetwork(iface, entry), 0);
    EXPECT_EQ(iface.name(), VeltoTest::namespaceInterface());
    EXPECT_EQ(entry.ip().toString(), qEnvironmentVariable("NETNS_IP_A"));
    EXPECT_EQ(search(0.3).size(), 1);
    const QJsonObject third = sim->waitForEvent("request", 3000, 3);
    EXPECT_EQ(third.value(QStringLiteral("method")), QLatin1String("search"));
    EXPECT_EQ(third.value(QStringLiteral("id")), 0);
}

// Each way of losing the network: both socket threads retry every second for 2.5 s, yet
// the log says once that the trouble began and once that it ended, and the devices answer
// again within about a second of the network's return.
TEST_F(VeltoNetns, NetworkTroubleIsLoggedOnceWhenItBeginsAndOnceWhenItEnds)
{
    const QString link = VeltoTest::namespaceInterface();
    const QString address = qEnvironmentVariable("NETNS_IP_A") + "/24";
    const struct
    {
        const char *label;
        QList<QStringList> lose;
        QList<QStringList> restore;
    } cases[] = {
        {"link down", {{"link", "set", link, "down"}}, {{"link", "set", link, "up"}}},
        {"address lost", {{"addr", "flush", "dev", link}}, {{"addr", "add", address, "dev", link}}},
        {"address lost and link down",
         {{"addr", "flush", "dev", link}, {"link", "set", link, "down"}},
         {{"addr", "add", address, "dev", link}, {"link", "set", link, "up"}}},
    };
    simulate({"--count", "3", "--delay-max", "50"});
    startProtocol();
    ASSERT_EQ(search(0.4).size(), 3);
    for (const auto &c : cases) {
        const int from = log.size();
        for (const QStringList &command : c.lose)
            ASSERT_EQ(VeltoTest::ip(command), 0) << c.label;
        EXPECT_EQ(search(0.2).size(), 0) << c.label;
        QThread::msleep(2500);
        ASSERT_EQ(log.matching(kTroubleBegins, from).size(), 1)
            << c.label << ": " << log.lines().mid(from).join("\n").toStdString();
        EXPECT_TRUE(log.matching(kSendOpened, from).isEmpty()) << c.label;

        const int back = log.size();
        for (const QStringList &command : c.restore)
            ASSERT_EQ(VeltoTest::ip(command), 0) << c.label;
        QElapsedTimer timer;
        timer.start();
        EXPECT_TRUE(log.waitFor(kTroubleEnds, 3000, back)) << c.label;
        EXPECT_LT(timer.elapsed(), 2000) << c.label;
        EXPECT_EQ(search(1.0).size(), 3) << c.label;
        EXPECT_EQ(log.matching(kTroubleBegins, from).size(), 1) << c.label;
        EXPECT_EQ(log.matching(kTroubleEnds, from).size(), 1) << c.label;
    }
}

TEST_F(VeltoNetns, StopWhileTheReceiveThreadIsBlockedReturnsPromptly)
{
    const QList<int> before = CloseCounter::openSockets();
    startProtocol();
    QThread::msleep(200); // the receive thread is now blocked in recvfrom()
    QList<int> protocolSockets;
    for (int fd : CloseCounter::openSockets()) {
        if (!before.contains(fd))
            protocolSockets.append(fd);
    }
    ASSERT_EQ(protocolSockets.size(), 2);

    CloseCounter::reset();
    QElapsedTimer timer;
    timer.start();
    sdk->stopThreads();
    EXPECT_LT(timer.elapsed(), 500);
    for (int fd : protocolSockets) {
        EXPECT_EQ(CloseCounter::closes(fd), 1) << "descriptor " << fd;
        EXPECT_FALSE(CloseCounter::openSockets().contains(fd));
    }
}

TEST_F(VeltoNetns, FirmwareArrivesWithItsBytesAndBareFileName)
{
    QTemporaryDir dir;
    const QString uploads = dir.filePath(QStringLiteral("uploads"));
    simulate({"--count", "2", "--delay-max", "20", "--upload-dir", uploads});
    startProtocol();
    const QVector<VeltoDevice> found = search(0.3);
    ASSERT_EQ(found.size(), 2);

    QDir(dir.path()).mkpath(QStringLiteral("images/v2.1"));
    const QString path = dir.filePath(QStringLiteral("images/v2.1/IPC fw 2.1.bin"));
    const QByteArray firmware = writeFirmware(path, 700 * 1024);

    qint64 lastSent = 0, lastTotal = 0;
    int reports = 0;
    const int result = sdk->setDeviceFirmware(found[1], path, [&](qint64 sent, qint64 total) {
        lastSent = sent;
        lastTotal = total;
        ++reports;
    });
    EXPECT_EQ(result, 0);
    EXPECT_GT(reports, 0);
    EXPECT_EQ(lastSent, lastTotal);
    EXPECT_GT(lastTotal, firmware.size());

    const QJsonObject upload = sim->waitForEvent("upload", 2000);
    EXPECT_EQ(upload.value("srcid"), QLatin1String("02564C000002")); // port 8081: the second
    EXPECT_EQ(upload.value("file"), QLatin1String("IPC fw 2.1.bin"));
    EXPECT_EQ(upload.value("partType"), QLatin1String("application/octet-stream"));
    EXPECT_EQ(upload.value("contentType"),
              QLatin1String("multipart/form-data; boundary=window-lankit-upload"));
    QFile stored(upload.value("path").toString());
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_TRUE(stored.readAll() == firmware);
}

TEST_F(VeltoNetns, FirmwareAnswersThatAreNotResultsGiveMinus3)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fw.bin"));
    writeFirmware(path, 64 * 1024);

    simulate(
        {"--count", "1", "--delay-max", "20", "--omit", "httpport", "--upload-dir", dir.path()});
    startProtocol();
    QVector<VeltoDevice> found = search(0.3);
    ASSERT_EQ(found.size(), 1);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(sdk->setDeviceFirmware(found[0], path), VeltoFirmwareUpload::kBadAddress);
    EXPECT_LT(timer.elapsed(), 1000);

    simulate(
        {"--count", "1", "--delay-max", "20", "--answer-not-json", "--upload-dir", dir.path()});
    found = search(0.3);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(sdk->setDeviceFirmware(found[0], path), -3);
    EXPECT_FALSE(sim->waitForEvent("upload", 2000).isEmpty()); // it did arrive
}

// A camera that reads slowly, as one busy writing flash does. The system would buffer a
// good part of the file ahead of it; progress counts what the camera took, so it rises
// only and reaches the whole file about when the camera has read it, not seconds before.
TEST_F(VeltoNetns, UploadProgressFollowsWhatASlowDeviceHasTaken)
{
    constexpr int kFileBytes = 1024 * 1024;
    constexpr int kRate = 256 * 1024; // bytes per second: four seconds for the file
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fw.bin"));
    writeFirmware(path, kFileBytes);
    simulate({"--count", "1", "--delay-max", "20", "--upload-rate", QString::number(kRate),
              "--upload-dir", dir.path()});
    startProtocol();
    const QVector<VeltoDevice> found = search(0.3);
    ASSERT_EQ(found.size(), 1);

    QElapsedTimer timer;
    timer.start();
    qint64 last = 0;
    qint64 wholeAt = -1;
    bool rising = true;
    const int result = sdk->setDeviceFirmware(found[0], path, [&](qint64 taken, qint64 total) {
        rising = rising && taken > last;
        last = taken;
        if (taken == total && wholeAt < 0)
            wholeAt = timer.elapsed();
    });
    const qint64 done = timer.elapsed();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(rising);
    EXPECT_GT(done, 3000) << "the camera read faster than it was told to";
    // What the camera's own receive buffer holds (some 128 KB, half a second here) counts as
    // taken; what the sending system held ahead of it (seconds) does not.
    EXPECT_GT(wholeAt, done - 1000)
        << "whole file reported " << done - wholeAt << " ms before the camera answered";
    printf("[ figures ] upload %lld ms, whole file reported %lld ms before the answer\n",
           static_cast<long long>(done), static_cast<long long>(done - wholeAt));
}

TEST_F(VeltoNetns, CancellingASlowUploadReturnsPromptlyAndAbortsIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fw.bin"));
    writeFirmware(path, 256 * 1024);
    simulate({"--count", "1", "--delay-max", "20", "--answer-delay", "20000", "--upload-dir",
              dir.path()});
    startProtocol();
    const QVector<VeltoDevice> found = search(0.3);
    ASSERT_EQ(found.size(), 1);

    auto upload =
        std::async(std::launch::async, [&]() { return sdk->setDeviceFirmware(found[0], path); });
    ASSERT_FALSE(sim->waitForEvent("upload", 5000).isEmpty()); // the device now "flashes"
    QThread::msleep(200);
    QElapsedTimer timer;
    timer.start();
    sdk->cancelUpload();
    ASSERT_EQ(upload.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(upload.get(), -3);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_FALSE(sim->waitForEvent("upload-aborted", 5000).isEmpty());
}

// A dialog closed just before its worker began the upload: the dialog asks the worker to
// stop, then cancels; the upload that starts after that ends at once without sending.
TEST_F(VeltoNetns, CancelOfAStoppedWorkerHoldsForTheUploadItIsAboutToStart)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fw.bin"));
    writeFirmware(path, 256 * 1024);
    simulate({"--count", "1", "--delay-max", "20", "--upload-dir", dir.path()});
    startProtocol();
    const QVector<VeltoDevice> found = search(0.3);
    ASSERT_EQ(found.size(), 1);

    VeltoSDK *target = sdk;
    const VeltoDevice camera = found[0];
    DelayedWorker worker(
        [target, camera, path] { return target->setDeviceFirmware(camera, path); });
    worker.start();
    worker.stop();
    sdk->cancelUpload();
    worker.wait();
    EXPECT_EQ(worker.result.load(), VeltoFirmwareUpload::kBadAnswer);
    EXPECT_TRUE(sim->waitForEvent("upload", 1000).isEmpty()); // nothing reached the device

    // A cancel with no upload and no stopped worker is not taken for a later upload.
    sdk->cancelUpload();
    EXPECT_EQ(sdk->setDeviceFirmware(camera, path), 0);
    EXPECT_FALSE(sim->waitForEvent("upload", 5000).isEmpty());
}

TEST_F(VeltoNetns, InterfaceChoiceOnARealInterface)
{
    const QString iface = VeltoTest::namespaceInterface();
    ASSERT_EQ(VeltoTest::ip({"addr", "add", "192.168.1.10/24", "dev", iface}), 0);
    ASSERT_EQ(VeltoTest::ip({"addr", "add", "10.0.0.5/8", "dev", iface}), 0);
    const QList<QNetworkInterface> usable = usableInterfaces();
    VeltoTest::ip({"addr", "del", "192.168.1.10/24", "dev", iface});
    VeltoTest::ip({"addr", "del", "10.0.0.5/8", "dev", iface});

    ASSERT_EQ(usable.size(), 1); // loopback is not Ethernet
    EXPECT_EQ(usable.first().name(), iface);
    QNetworkInterface chosen;
    QNetworkAddressEntry entry;
    EXPECT_TRUE(chooseInterface(usable, QString(), "192.168.1.77", chosen, entry));
    EXPECT_EQ(entry.ip().toString(), QStringLiteral("192.168.1.10"));
    EXPECT_TRUE(chooseInterface(usable, "nosuch0", "10.0.0.77", chosen, entry));
    EXPECT_EQ(entry.ip().toString(), QStringLiteral("10.0.0.5"));
    EXPECT_TRUE(chooseInterface(usable, iface, QString(), chosen, entry));
    EXPECT_EQ(entry.ip().toString(), qEnvironmentVariable("NETNS_IP_A"));

    // With the peer down the link is no longer running, and no longer usable.
    const QString peer = qEnvironmentVariable("NETNS_B");
    ASSERT_EQ(
        VeltoTest::ip({"-n", peer, "link", "set", qEnvironmentVariable("NETNS_IF_B"), "down"}), 0);
    // The kernel reports the lost carrier a moment after the peer goes down.
    QElapsedTimer timer;
    timer.start();
    bool listed = true;
    while (listed && timer.elapsed() < 3000) {
        listed = !usableInterfaces().isEmpty();
        if (listed)
            QThread::msleep(20);
    }
    VeltoTest::ip({"-n", peer, "link", "set", qEnvironmentVariable("NETNS_IF_B"), "up"});
    EXPECT_FALSE(listed);
}
