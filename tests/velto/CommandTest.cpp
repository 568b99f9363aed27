// The device commands without any socket: requests are taken from the send queue as the
// send thread would take them, and replies are handed in as the receive thread hands in
// datagrams. The program's srcid is that of the loopback interface, 000000000000.
#include "DelayedWorker.h"
#include "VeltoSDKTestAccess.h"
#include "VeltoTestSupport.h"

#include "Velto/VeltoSDK.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QThread>
#include <gtest/gtest.h>

#include <functional>
#include <future>

using VeltoTest::device;
using VeltoTest::framed;

namespace {
const QString kDevice1 = QStringLiteral("A1B2C3D4E5F6");
const QString kDevice2 = QStringLiteral("0A0B0C0D0E0F");
const QString kDevice3 = QStringLiteral("F0E0D0C0B0A0");

class VeltoCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VeltoSDK::createInstance();
        sdk = VeltoSDK::instance();
        selectLoopback();
        ASSERT_EQ(sdk->srcId(), QStringLiteral("000000000000"));
    }
    void TearDown() override { VeltoSDK::destroyInstance(); }

    void selectLoopback()
    {
        const QNetworkInterface lo = QNetworkInterface::interfaceFromName(QStringLiteral("lo"));
        VeltoSDKTestAccess::useNetwork(sdk, lo, lo.addressEntries().value(0));
    }

    std::future<int> run(std::function<int(VeltoSDK *)> operation)
    {
        VeltoSDK *target = sdk;
        return std::async(std::launch::async, [target, operation]() { return operation(target); });
    }

    void reply(const QJsonObject &object)
    {
        const QByteArray datagram = VeltoTest::replyDatagram(object);
        sdk->queueReply(datagram.constData(), datagram.size());
    }

    void reply(int id, const char *result, QJsonObject fields = QJsonObject())
    {
        fields.insert(QStringLiteral("destid"), QStringLiteral("000000000000"));
        fields.insert(QStringLiteral("id"), id);
        if (result)
            fields.insert(QStringLiteral("result"), QString::fromLatin1(result));
        reply(fields);
    }

    VeltoSDK *sdk = nullptr;
};

struct WireCase
{
    const char *what;
    std::function<int(VeltoSDK *)> operation;
    const char *json;
    bool waits;
};

const QVector<VeltoDevice> kOne = {device(kDevice1)};
const QVector<VeltoDevice> kTwo = {device(kDevice1), device(kDevice2)};
const QVector<VeltoDevice> kThree = {device(kDevice1), device(kDevice2), device(kDevice3)};
} // namespace

TEST_F(VeltoCommands, SearchRequestBytes)
{
    QVector<VeltoDevice> found;
    auto search = run([&found](VeltoSDK *s) {
        s->searchDevices(found, 0.2);
        return 0;
    });
    const QByteArray json = R"({"destarray":["all"],"id":0,"method":"search",)"
                            R"("srcid":"000000000000","user":"Windows LanKit"})";
    EXPECT_EQ(VeltoTest::nextRequest(sdk), QByteArray::fromHex("0000006500000000") + json);
    search.get();
}

TEST_F(VeltoCommands, RequestBytesOfEveryCommand)
{
    const WireCase cases[] = {
        {"static address",
         [](VeltoSDK *s) {
             return s->setDeviceIp(device(kDevice1), "192.168.1.20", "255.255.255.0", "192.168.1.1",
                                   "8.8.8.8", "");
         },
         R"({"IpMode":"static","destarray":["A1B2C3D4E5F6"],"dns1":"8.8.8.8","dns2":"",)"
         R"("gateway":"192.168.1.1","id":0,"ip":"192.168.1.20","method":"SetIp",)"
         R"("netmask":"255.255.255.0","srcid":"000000000000"})",
         true},
        {"DHCP for two", [](VeltoSDK *s) { return s->setDevicesDhcp(kTwo); },
         R"({"IpMode":"dhcp","destarray":["A1B2C3D4E5F6","0A0B0C0D0E0F"],"id":0,)"
         R"("method":"SetIp","srcid":"000000000000"})",
         true},
        {"MAC", [](VeltoSDK *s) { return s->setDeviceMac(device(kDevice1), "AA:BB:CC:00:11:22"); },
         R"({"destarray":["A1B2C3D4E5F6"],"id":0,"mac":"AA:BB:CC:00:11:22","method":"SetMac",)"
         R"("srcid":"000000000000"})",
         true},
        {"empty MAC leaves the key out",
         [](VeltoSDK *s) { return s->setDeviceMac(device(kDevice1), QString()); },
         R"({"destarray":["A1B2C3D4E5F6"],"id":0,"method":"SetMac","srcid":"000000000000"})", true},
        {"name for three, in order",
         [](VeltoSDK *s) { return s->setDevicesName(kThree, "Gate 3"); },
         R"({"destarray":["A1B2C3D4E5F6","0A0B0C0D0E0F","F0E0D0C0B0A0"],"id":0,)"
         R"("method":"SetName","name":"Gate 3","srcid":"000000000000"})",
         true},
        {"empty list still sends", [](VeltoSDK *s) { return s->setDevicesName({}, "x"); },
         R"({"destarray":[],"id":0,"method":"SetName","name":"x","srcid":"000000000000"})", true},
        {"list key present even when empty",
         [](VeltoSDK *s) { return s->setDevicesName(kOne, ""); },
         R"({"destarray":["A1B2C3D4E5F6"],"id":0,"method":"SetName","name":"","srcid":"000000000000"})",
         true},
        {"P2P id", [](VeltoSDK *s) { return s->setDevicesP2pId(kOne, "VLT-1"); },
         R"({"destarray":["A1B2C3D4E5F6"],"id":0,"method":"SetP2p","p2pid":"VLT-1",)"
         R"("srcid":"000000000000"})",
         true},
        {"functions", [](VeltoSDK *s) { return s->setDevicesFunctionId(kOne, "PAC,WIFI"); },
         R"({"HdCuFun":"PAC,WIFI","destarray":["A1B2C3D4E5F6"],"id":0,"method":"SetHdCuFun",)"
         R"("srcid":"000000000000"})",
         true},
        {"reset keeps nothing, as a string", [](VeltoSDK *s) { return s->resetDevices(kTwo); },
         R"({"destarray":["A1B2C3D4E5F6","0A0B0C0D0E0F"],"id":0,"keepnetwork":"0",)"
         R"("method":"ResetDefault","srcid":"000000000000"})",
         true},
        {"PTZ", [](VeltoSDK *s) { return s->setDevicesPtz(kOne, "left"); },
         R"({"command":"left","destarray":["A1B2C3D4E5F6"],"id":0,"method":"SetPTZ",)"
         R"("srcid":"000000000000"})",
         true},
        {"IR cut", [](VeltoSDK *s) { return s->setDeviceIrCut(device(kDevice1), "1"); },
         R"({"destarray":["A1B2C3D4E5F6"],"id":0,"ircut":"1","method":"SetIRcut",)"
         R"("srcid":"000000000000"})",
         false},
        {"IR cut without value",
         [](VeltoSDK *s) { return s->setDeviceIrCut(device(kDevice1), ""); },
         R"({"destarray":["A1B2C3D4E5F6"],"id":0,"method":"SetIRcut","srcid":"000000000000"})",
         false},
        {"microphone", [](VeltoSDK *s) { return s->testDeviceMicrophone(device(kDevice1)); },
         R"({"destarray":["A1B2C3D4E5F6"],"id":0,"method":"testMicrophone","srcid":"000000000000"})",
         false},
        {"colour on", [](VeltoSDK *s) { return s->setDeviceColor(device(kDevice1), true); },
         R"({"color":"on","destarray":["A1B2C3D4E5F6"],"id":0,"method":"SetColor",)"
         R"("srcid":"000000000000"})",
         false},
        {"colour off", [](VeltoSDK *s) { return s->setDeviceColor(device(kDevice1), false); },
         R"({"color":"off","destarray":["A1B2C3D4E5F6"],"id":0,"method":"SetColor",)"
         R"("srcid":"000000000000"})",
         false},
    };
    for (const WireCase &c : cases) {
        selectLoopback(); // ids restart at 0
        auto result = run(c.operation);
        EXPECT_EQ(VeltoTest::nextRequest(sdk), framed(c.json)) << c.what;
        if (c.waits)
            reply(0, "success");
        EXPECT_EQ(result.get(), 0) << c.what; // the reply's result, or the request id
    }
}

TEST_F(VeltoCommands, RequestIdsCountUpAndRestartWithTheNetwork)
{
    EXPECT_EQ(sdk->setDeviceColor(device(kDevice1), true), 0);
    EXPECT_EQ(sdk->testDeviceMicrophone(device(kDevice1)), 1);
    EXPECT_EQ(sdk->setDeviceIrCut(device(kDevice1), "0"), 2);
    selectLoopback();
    EXPECT_EQ(sdk->testDeviceMicrophone(device(kDevice1)), 0);
}

TEST_F(VeltoCommands, ResultOfTheMatchingReply)
{
    struct Case
    {
        const char *result; // null: no "result" key
        int expected;
    } cases[] = {{"success", 0}, {"SUCCESS", 0}, {"Success", 0},   {"failure", -1},
                 {"", -1},       {nullptr, -1},  {"success ", -1}, {"successful", -1}};
    int id = 0;
    for (const Case &c : cases) {
        auto result = run([](VeltoSDK *s) { return s->setDevicesName(kThree, "n"); });
        ASSERT_FALSE(VeltoTest::nextRequest(sdk).isEmpty());
        reply(id++, c.result);
        EXPECT_EQ(result.get(), c.expected) << (c.result ? c.result : "(none)");
    }
    auto numeric = run([](VeltoSDK *s) { return s->setDevicesName(kOne, "n"); });
    VeltoTest::nextRequest(sdk);
    reply({{"destid", "000000000000"}, {"id", id}, {"result", 0}});
    EXPECT_EQ(numeric.get(), -1);
}

TEST_F(VeltoCommands, RepliesToOtherRequestsAreDiscarded)
{
    auto result = run([](VeltoSDK *s) { return s->setDevicesName(kOne, "n"); });
    VeltoTest::nextRequest(sdk);
    reply(7, "success");  // another request's reply
    reply(-1, "success"); // and a stray one
    reply(0, "failure");  // ours
    reply(0, "success");  // a second answer comes too late
    EXPECT_EQ(result.get(), -1);
}

TEST_F(VeltoCommands, RepliesOfRequestsThatDoNotWaitAreDiscardedByTheNextWait)
{
    EXPECT_EQ(sdk->setDeviceIrCut(device(kDevice1), "1"), 0);
    EXPECT_EQ(sdk->setDeviceColor(device(kDevice1), false), 1);
    reply(0, "failure");
    reply(1, "failure");
    auto result = run([](VeltoSDK *s) { return s->resetDevices(kOne); });
    for (int i = 0; i < 3; ++i)
        VeltoTest::nextRequest(sdk);
    reply(2, "success");
    EXPECT_EQ(result.get(), 0);
}

TEST_F(VeltoCommands, ReplyIdForms)
{
    struct Case
    {
        QJsonValue id;
        int expected;
    } cases[] = {{12, 12},
                 {"12", 12},
                 {true, 1},
                 {false, 0},
                 {12.5, 0},
                 {"12x", 0},
                 {" ", 0},
                 {QJsonValue(), 0},
                 {QJsonArray{12}, 0},
                 {QJsonObject{{"id", 12}}, 0},
                 {"-3", -3},
                 {1e12, 0}};
    for (const Case &c : cases)
        EXPECT_EQ(VeltoSDK::replyId({{"id", c.id}}), c.expected);
    EXPECT_EQ(VeltoSDK::replyId(QJsonObject()), 0);
}

TEST_F(VeltoCommands, CancelBeforeAWaitHasNoEffectOnIt)
{
    sdk->cancelWait();
    auto result = run([](VeltoSDK *s) { return s->setDevicesName(kOne, "n"); });
    VeltoTest::nextRequest(sdk);
    QThread::msleep(300);
    reply(0, "success");
    EXPECT_EQ(result.get(), 0);
}

// A dialog closed just before its worker began to wait: the dialog asks the worker to
// stop, then cancels; the wait that starts after that ends at once instead of lasting 3 s.
TEST_F(VeltoCommands, CancelOfAStoppedWorkerHoldsForTheWaitItIsAboutToStart)
{
    VeltoSDK *target = sdk;
    DelayedWorker worker([target] { return target->setDevicesName(kOne, "n"); });
    worker.start();
    worker.stop();
    sdk->cancelWait();
    QElapsedTimer timer;
    timer.start();
    worker.wait();
    EXPECT_EQ(worker.result.load(), -1);
    EXPECT_LT(timer.elapsed(), DelayedWorker::kPauseMs + 700);

    QVector<VeltoDevice> found;
    DelayedWorker search([target, &found] {
        target->searchDevices(found, 0); // without a time limit
        return 0;
    });
    search.start();
    search.stop();
    sdk->cancelWait();
    timer.restart();
    search.wait();
    EXPECT_LT(timer.elapsed(), DelayedWorker::kPauseMs + 700);
}

TEST_F(VeltoCommands, CancelEndsAWaitAtOnce)
{
    auto cancelled =
        run([](VeltoSDK *s) { return s->setDeviceIp(device(kDevice1), "a", "b", "c", "", ""); });
    VeltoTest::nextRequest(sdk);
    QThread::msleep(500);
    QElapsedTimer timer;
    timer.start();
    sdk->cancelWait();
    EXPECT_EQ(cancelled.get(), -1);
    EXPECT_LT(timer.elapsed(), 1000); // the wait itself would last 3 s
}

TEST_F(VeltoCommands, SearchListsEachDeviceOnceInOrderOfFirstReply)
{
    QVector<VeltoDevice> found;
    QElapsedTimer timer;
    timer.start();
    auto search = run([&found](VeltoSDK *s) {
        s->searchDevices(found, 1.0);
        return 0;
    });
    ASSERT_FALSE(VeltoTest::nextRequest(sdk).isEmpty());
    const auto answer = [this](QJsonValue id, const char *mac) {
        QJsonObject fields{{"destid", "000000000000"}, {"id", id}, {"ip", "10.0.0.9"}};
        if (mac)
            fields.insert("mac", mac);
        reply(fields);
    };
    answer(0, "AA:00:00:00:00:02");
    answer(0, "AA:00:00:00:00:01");
    answer(0, "AA:00:00:00:00:02"); // answers twice
    answer(0, nullptr);             // no MAC: not a device
    answer(0, "");
    answer("0", "AA:00:00:00:00:03"); // the id as a string counts as well
    answer(5, "AA:00:00:00:00:09");   // another search's reply
    answer(0, "aa:00:00:00:00:01");   // another device: MACs compare exactly
    search.get();
    EXPECT_GE(timer.elapsed(), 950); // a search always lasts its time

    QStringList macs;
    for (const VeltoDevice &d : found)
        macs << d.mac();
    EXPECT_EQ(macs, QStringList({"AA:00:00:00:00:02", "AA:00:00:00:00:01", "AA:00:00:00:00:03",
                                 "aa:00:00:00:00:01"}));
    EXPECT_EQ(found.first().ip(), QStringLiteral("10.0.0.9"));
}

TEST_F(VeltoCommands, SearchWithoutTimeLimitEndsOnCancelWithWhatItFound)
{
    QVector<VeltoDevice> found{device("stale")};
    auto search = run([&found](VeltoSDK *s) {
        s->searchDevices(found, 0);
        return 0;
    });
    VeltoTest::nextRequest(sdk);
    reply({{"destid", "000000000000"}, {"id", 0}, {"mac", "AA:00:00:00:00:07"}});
    QThread::msleep(1200);
    EXPECT_EQ(search.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    sdk->cancelWait();
    ASSERT_EQ(search.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found.first().mac(), QStringLiteral("AA:00:00:00:00:07"));
}

TEST_F(VeltoCommands, WifiScanReadsTheListWhateverTheResult)
{
    QVector<VeltoDeviceWiFiInfo> networks(1); // kept: the list is appended to
    networks[0].name = QStringLiteral("earlier");
    auto result =
        run([&networks](VeltoSDK *s) { return s->scanDeviceWifi(device(kDevice1), networks); });
    VeltoTest::nextRequest(sdk);
    const QJsonArray list = {QJsonObject{{"wifiname", "Workshop"}, {"Signal", -41}},
                             QJsonObject{{"wifiname", ""}, {"Signal", -88}},
                             QJsonObject{{"Signal", -70}},
                             QJsonObject{{"wifiname", "Line 2"}, {"Signal", "-67"}}};
    reply(0, "failure", {{"WifiList", list}});
    EXPECT_EQ(result.get(), -1);
    ASSERT_EQ(networks.size(), 3);
    EXPECT_EQ(networks[1].name, QStringLiteral("Workshop"));
    EXPECT_EQ(networks[1].signal, -41);
    EXPECT_EQ(networks[2].name, QStringLiteral("Line 2"));
    EXPECT_EQ(networks[2].signal, 0); // a signal sent as text is not a number
}

TEST_F(VeltoCommands, SdCardSizesInEveryFormADeviceUses)
{
    struct Case
    {
        QJsonValue total;
        QJsonValue free;
        int result, expectedTotal, expectedFree;
    } cases[] = {{"29806", 400, 0, 29806, 400}, {29806.0, "12034", 0, 29806, 12034},
                 {true, false, 0, 1, 0},        {"0", "0", -1, 0, 0},
                 {QJsonValue(), "5", -1, 0, 5}, {"-20", 1, -1, -20, 1}};
    int id = 0;
    for (const Case &c : cases) {
        int total = 99;
        int free = 99;
        auto result =
            run([&](VeltoSDK *s) { return s->getDeviceSdCard(device(kDevice1), total, free); });
        VeltoTest::nextRequest(sdk);
        reply(id++, "success", {{"totalsize", c.total}, {"freesize", c.free}});
        EXPECT_EQ(result.get(), c.result);
        EXPECT_EQ(total, c.expectedTotal);
        EXPECT_EQ(free, c.expectedFree);
    }
}

TEST_F(VeltoCommands, OnlyWellFormedRepliesToUsReachTheQueue)
{
    auto result = run([](VeltoSDK *s) { return s->setDevicesName(kOne, "n"); });
    VeltoTest::nextRequest(sdk);
    const QByteArray failure = R"({"destid":"000000000000","id":0,"result":"failure"})";
    QByteArray shortened = framed(failure.constData());
    shortened[3] = static_cast<char>(shortened[3] - 1);
    QByteArray oversize = R"({"destid":"000000000000","id":0,"result":"failure","pad":")";
    oversize += QByteArray(2100, 'x') + "\"}";
    const QByteArray datagrams[] = {
        shortened,
        framed(failure.chopped(1).constData()),
        framed(R"({"destid":"00000000000","id":0,"result":"failure"})"),
        framed(R"({"id":0,"result":"failure"})"),
        framed(oversize.constData()),
    };
    for (const QByteArray &datagram : datagrams)
        sdk->queueReply(datagram.constData(), datagram.size());
    // The socket cuts an oversized datagram to the receive buffer and reports its full
    // size; nothing beyond the buffer may be read.
    const QByteArray whole = framed(oversize.constData());
    const QByteArray held = whole.left(2048);
    sdk->queueReply(held.constData(), whole.size());
    reply(0, "success");
    EXPECT_EQ(result.get(), 0);
}
