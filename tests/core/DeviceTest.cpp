#include "Velto/VeltoDevice.h"
#include "Velto/VeltoDeviceWiFiInfo.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QThread>
#include <algorithm>
#include <gtest/gtest.h>

namespace {
QJsonObject json(const char *text)
{
    return QJsonDocument::fromJson(text).object();
}

VeltoDevice deviceWithMac(const QString &mac)
{
    VeltoDevice d;
    d.setMac(mac);
    return d;
}
} // namespace

TEST(VeltoDevice, KeepsOnlyStringValues)
{
    VeltoDevice d;
    d.fromJson(json(R"({"ip":"192.168.1.20","httpport":"80","mac":"AA:BB:CC:DD:EE:01"})"));
    EXPECT_EQ(d.ip(), "192.168.1.20");
    EXPECT_EQ(d.intValue("httpport"), 80);
    EXPECT_TRUE(d.hasMac());
    EXPECT_EQ(d.name(), "");

    VeltoDevice numeric;
    numeric.fromJson(json(R"({"httpport":80,"ok":true,"n":null,"a":[1],"o":{"x":"y"}})"));
    EXPECT_EQ(numeric.value("httpport"), "");
    EXPECT_EQ(numeric.intValue("httpport"), 0);
    for (const char *key : {"ok", "n", "a", "o"}) {
        EXPECT_TRUE(numeric.allValues().contains(key)) << key;
        EXPECT_EQ(numeric.value(key), "") << key;
    }
}

TEST(VeltoDevice, FromJsonMergesAndLeavesTableFieldsAlone)
{
    VeltoDevice d;
    d.ticked = true;
    d.rowIndex = 4;
    d.fromJson(json(R"({"ip":"10.0.0.1","name":"cam"})"));
    d.fromJson(json(R"({"ip":"10.0.0.2"})"));
    d.fromJson(QJsonObject());
    EXPECT_EQ(d.ip(), "10.0.0.2");
    EXPECT_EQ(d.name(), "cam");
    EXPECT_TRUE(d.ticked);
    EXPECT_EQ(d.rowIndex, 4);
    // Keys are case-sensitive.
    d.fromJson(json(R"({"IP":"x"})"));
    EXPECT_EQ(d.ip(), "10.0.0.2");
}

TEST(VeltoDevice, IntValueParsesDecimalOrGivesZero)
{
    VeltoDevice d;
    const std::pair<const char *, int> cases[] = {{"8080", 8080}, {"-3", -3},  {"", 0},
                                                  {"80a", 0},     {"0x50", 0}, {"99999999999", 0}};
    for (const auto &c : cases) {
        d.setValue("httpport", c.first);
        EXPECT_EQ(d.intValue("httpport"), c.second) << c.first;
    }
}

TEST(VeltoDevice, AppVersionDropsTheLastDottedPart)
{
    const std::pair<const char *, const char *> cases[] = {
        {"V2.1.7.240315", "V2.1.7"}, {"abc", "abc"}, {"", ""}, {"1.", "1"}, {".5", ""}};
    for (const auto &c : cases) {
        VeltoDevice d;
        d.setValue("appVersion", c.first);
        EXPECT_EQ(d.appVersion(), c.second) << c.first;
    }
}

TEST(VeltoDevice, FunctionListMatchesWholePartsIgnoringCase)
{
    struct Case
    {
        const char *list;
        bool pac, wifi;
    } cases[] = {
        {"PAC,WIFI", true, true}, {"wifi", false, true},  {"PAC ,WIFI", false, true},
        {"", false, false},       {",,PAC", true, false}, {"PACX,WIF", false, false},
    };
    for (const Case &c : cases) {
        VeltoDevice d;
        d.setFunctions(c.list);
        EXPECT_EQ(d.supportsPac(), c.pac) << c.list;
        EXPECT_EQ(d.supportsWifi(), c.wifi) << c.list;
    }
}

TEST(VeltoDevice, MacOrderIsByCodeUnitsAndDuplicatesAreExact)
{
    QVector<VeltoDevice> list{deviceWithMac("aa:bb:cc:dd:ee:01"),
                              deviceWithMac("AA:BB:CC:DD:EE:02"),
                              deviceWithMac("AA:BB:CC:DD:EE:01")};
    EXPECT_TRUE(VeltoDevice::containsMac(list, deviceWithMac("AA:BB:CC:DD:EE:01")));
    EXPECT_FALSE(VeltoDevice::containsMac(list, deviceWithMac("Aa:BB:CC:DD:EE:01")));
    EXPECT_FALSE(VeltoDevice::containsMac({}, deviceWithMac("")));

    std::sort(list.begin(), list.end(), VeltoDevice::lessByMac);
    QStringList macs;
    for (const auto &d : list)
        macs << d.mac();
    EXPECT_EQ(macs, QStringList({"AA:BB:CC:DD:EE:01", "AA:BB:CC:DD:EE:02", "aa:bb:cc:dd:ee:01"}));
}

namespace {
class Receiver : public QObject
{
    Q_OBJECT
public slots:
    void take(const QVector<VeltoDevice> &list) { received = list; }
    void takeWifi(const QVector<VeltoDeviceWiFiInfo> &list) { wifi = list; }

public:
    QVector<VeltoDevice> received;
    QVector<VeltoDeviceWiFiInfo> wifi;
};
} // namespace

TEST(VeltoDevice, ListsTravelThroughQueuedCalls)
{
    VeltoDevice::registerMetaTypes();
    VeltoDevice::registerMetaTypes(); // idempotent
    Receiver receiver;
    QVector<VeltoDevice> list{deviceWithMac("AA:BB:CC:DD:EE:01"),
                              deviceWithMac("AA:BB:CC:DD:EE:02")};
    list[1].rowIndex = 1;

    QThread worker;
    QObject sender;
    sender.moveToThread(&worker);
    worker.start();
    using WiFiList = QVector<VeltoDeviceWiFiInfo>;
    const WiFiList wifi{{"lab", -41}};
    QMetaObject::invokeMethod(&sender, [&] {
        QMetaObject::invokeMethod(&receiver, "take", Qt::QueuedConnection,
                                  Q_ARG(QVector<VeltoDevice>, list));
        QMetaObject::invokeMethod(&receiver, "takeWifi", Qt::QueuedConnection,
                                  Q_ARG(QVector<VeltoDeviceWiFiInfo>, wifi));
    });
    for (int i = 0; i < 500 && receiver.wifi.isEmpty(); ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
    worker.quit();
    worker.wait();

    ASSERT_EQ(receiver.received.size(), 2);
    EXPECT_EQ(receiver.received[1].mac(), "AA:BB:CC:DD:EE:02");
    EXPECT_EQ(receiver.received[1].rowIndex, 1);
    ASSERT_EQ(receiver.wifi.size(), 1);
    EXPECT_EQ(receiver.wifi[0].signal, -41);
    EXPECT_TRUE(QMetaType::hasRegisteredConverterFunction(
        qMetaTypeId<QVector<VeltoDevice>>(),
        qMetaTypeId<QtMetaTypePrivate::QSequentialIterableImpl>()));
}

#include "DeviceTest.moc"
