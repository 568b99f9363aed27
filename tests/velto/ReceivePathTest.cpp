// The receive path without sockets: datagrams are handed in as the receive thread hands
// them in. The program's srcid is that of the loopback interface, 000000000000.
#include "VeltoSDKTestAccess.h"
#include "VeltoTestSupport.h"
#include "support/LogCapture.h"

#include "Velto/VeltoSDK.h"

#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <future>

namespace {
const char kOwn[] = "000000000000";
const char kRecv[] = "VeltoSDK.cpp: recv ";
// Replies the hand-in lets queue up before it waits, as a full socket buffer would.
const int kBacklog = 8192;

QByteArray searchReply(int id, int n)
{
    const QString mac = QStringLiteral("06:F1:%1:%2:%3:%4")
                            .arg((n >> 24) & 0xff, 2, 16, QLatin1Char('0'))
                            .arg((n >> 16) & 0xff, 2, 16, QLatin1Char('0'))
                            .arg((n >> 8) & 0xff, 2, 16, QLatin1Char('0'))
                            .arg(n & 0xff, 2, 16, QLatin1Char('0'))
                            .toUpper();
    return VeltoTest::replyDatagram({{"destid", kOwn},
                                     {"id", id},
                                     {"mac", mac},
                                     {"ip", "10.77.0.200"},
                                     {"name", QStringLiteral("Flood %1").arg(n)},
                                     {"result", "success"}});
}

bool hasControl(const QString &line)
{
    return std::any_of(line.begin(), line.end(), [](QChar c) {
        return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0);
    });
}

class VeltoReceivePath : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VeltoSDK::createInstance();
        sdk = VeltoSDK::instance();
        const QNetworkInterface lo = QNetworkInterface::interfaceFromName(QStringLiteral("lo"));
        VeltoSDKTestAccess::useNetwork(sdk, lo, lo.addressEntries().value(0));
    }
    void TearDown() override { VeltoSDK::destroyInstance(); }

    void hand(const QByteArray &datagram)
    {
        sdk->queueReply(datagram.constData(), datagram.size());
    }

    LogCapture log;
    VeltoSDK *sdk = nullptr;
};
} // namespace

// 100,000 distinct devices handed in at the pace of a burst, the hand-in held back while
// the queue is full as the kernel's buffer would hold them: a linear duplicate check per
// reply took minutes to work through them; a hash set takes a moment.
TEST_F(VeltoReceivePath, SearchListsAHundredThousandDistinctRepliesAndTheRealOneAmongThem)
{
    constexpr int kFlood = 100000;
    QVector<QByteArray> datagrams;
    for (int n = 0; n < kFlood; ++n)
        datagrams.append(searchReply(0, n));
    datagrams[kFlood / 2] = VeltoTest::replyDatagram(
        {{"destid", kOwn}, {"id", 0}, {"mac", "02:56:4C:00:00:01"}, {"result", "success"}});
    datagrams.append(searchReply(0, 7)); // a duplicate is listed once

    auto search = std::async(std::launch::async, [this]() {
        QVector<VeltoDevice> found;
        sdk->searchDevices(found, 0);
        return found;
    });
    ASSERT_FALSE(VeltoTest::nextRequest(sdk).isEmpty());
    QElapsedTimer timer;
    timer.start();
    for (int n = 0; n < datagrams.size(); ++n) {
        while (VeltoSDKTestAccess::queuedReplies(sdk) >= kBacklog && timer.elapsed() < 20000)
            QThread::msleep(1);
        hand(datagrams[n]);
        if (n % 1000 == 999) // about 100,000 a second, as a burst arrives
            QThread::usleep(static_cast<unsigned long>(
                qMax<qint64>(0, (n + 1) / 100 - timer.elapsed()) * 1000));
    }
    while (VeltoSDKTestAccess::queuedReplies(sdk) > 0 && timer.elapsed() < 20000)
        QThread::msleep(5);
    const qint64 drainedMs = timer.elapsed();
    QThread::msleep(50); // the search files its last batch
    sdk->cancelWait();
    const QVector<VeltoDevice> found = search.get();
    RecordProperty("drained_ms", static_cast<int>(drainedMs));
    EXPECT_LT(drainedMs, 20000);
    EXPECT_EQ(found.size(), kFlood);
    EXPECT_TRUE(std::any_of(found.begin(), found.end(), [](const VeltoDevice &d) {
        return d.mac() == QLatin1String("02:56:4C:00:00:01");
    }));
}

// Our srcid is in every request we send, so anybody may address us; what nobody waits for
// must not pile up, and what a wait takes is capped and logged at a bounded rate.
TEST_F(VeltoReceivePath, OnlyAwaitedRepliesAreQueuedAndTheQueueAndItsLogAreBounded)
{
    for (int n = 0; n < 1000; ++n)
        hand(searchReply(n % 4, n));
    EXPECT_EQ(VeltoSDKTestAccess::queuedReplies(sdk), 0);
    EXPECT_TRUE(log.matching(kRecv).isEmpty());

    VeltoSDKTestAccess::expectReply(sdk, 2);
    const int flood = VeltoSDK::kMaxQueuedReplies + 5000;
    QElapsedTimer timer;
    timer.start();
    for (int n = 0; n < flood; ++n)
        hand(searchReply(2, n));
    const int seconds = static_cast<int>(timer.elapsed() / 1000) + 1;
    EXPECT_EQ(VeltoSDKTestAccess::queuedReplies(sdk), VeltoSDK::kMaxQueuedReplies);
    // At most a second's share and its summary line in each second the flood lasted.
    EXPECT_LE(log.matching(kRecv).size(), seconds * (VeltoLogLimiter::kLinesPerSecond + 1));
}

TEST_F(VeltoReceivePath, SkippedLogLinesAreCountedInOneLine)
{
    VeltoSDKTestAccess::expectReply(sdk, 1);
    constexpr int kHanded = VeltoLogLimiter::kLinesPerSecond + 30;
    for (int n = 0; n < kHanded; ++n)
        hand(searchReply(1, n));
    ASSERT_EQ(log.matching(kRecv).size(), VeltoLogLimiter::kLinesPerSecond);
    QThread::msleep(1100);
    hand(searchReply(1, 99999));
    const QStringList summary = log.matching(QStringLiteral("VeltoSDK.cpp: recv: "));
    ASSERT_EQ(summary.size(), 1);
    EXPECT_EQ(summary.first(), QStringLiteral("VeltoSDK.cpp: recv: 30 more replies not logged"));
    EXPECT_EQ(log.matching(kRecv).size(), VeltoLogLimiter::kLinesPerSecond + 1);
}

// A peer's CR/LF would forge log lines, its ESC and C1 CSI would drive the terminal.
TEST_F(VeltoReceivePath, ControlBytesOfARepliesAreEscapedInItsLogLine)
{
    VeltoSDKTestAccess::expectReply(sdk, 3);
    hand(VeltoTest::framed("{\"destid\":\"000000000000\",\"id\":3,\r\n\"name\":\"a\\r\\nb\","
                           "\"x\":\"\x1b[31m\xc2\x9b\x32J \xe4\xb8\xad\x07\"}"));
    const QStringList lines = log.matching(kRecv);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_FALSE(hasControl(lines.first())) << qPrintable(lines.first());
    EXPECT_EQ(lines.first(),
              QString::fromUtf8("VeltoSDK.cpp: recv {\"destid\":\"000000000000\",\"id\":3,"
                                "\\x0d\\x0a\"name\":\"a\\r\\nb\",\"x\":\"\\x1b[31m\\x9b2J "
                                "\xe4\xb8\xad\\x07\"}"));
    std::unique_ptr<QJsonObject> reply(VeltoSDKTestAccess::takeReply(sdk));
    ASSERT_TRUE(reply); // the reply itself is taken as it came
    EXPECT_EQ(reply->value("x").toString().left(1), QStringLiteral("\x1b"));
}
