// The receive path against the simulator and hostile peers across a veth pair between two
// private network namespaces (scripts/netns-run.sh): this program in namespace A on
// NETNS_IF_A, velto-sim in namespace B on NETNS_IF_B.
#include "SimulatorTest.h"
#include "VeltoSDKTestAccess.h"
#include "support/TestPaths.h"

#include "Velto/VeltoSDK.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <future>
#include <memory>

namespace {
// ThreadSanitizer's shadow memory multiplies what every allocation costs in resident size;
// AddressSanitizer pads every allocation and holds up to 256 MB of freed ones in quarantine.
#if defined(__SANITIZE_THREAD__)
constexpr long kSanitizerMemoryFactor = 4;
#elif defined(__SANITIZE_ADDRESS__)
constexpr long kSanitizerMemoryFactor = 2;
#else
constexpr long kSanitizerMemoryFactor = 1;
#endif

const char kOwnMac[] = "02:aa:bb:cc:dd:ee";
const char kOwnSrcId[] = "02AABBCCDDEE";
const char kRealMac[] = "02:56:4C:00:00:01";

QStringList macsOf(const QVector<VeltoDevice> &devices)
{
    QStringList macs;
    for (const VeltoDevice &device : devices)
        macs << device.mac();
    std::sort(macs.begin(), macs.end());
    return macs;
}

double cpuSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Peak resident size of this process, kB.
long peakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// A UDP socket of this process, closed with the object.
class Socket
{
public:
    Socket() : fd(::socket(AF_INET, SOCK_DGRAM, 0)) {}
    ~Socket() { close(); }
    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    bool bind(const char *address, quint16 port)
    {
        sockaddr_in sa = {};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(port);
        sa.sin_addr.s_addr = inet_addr(address);
        return ::bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)) == 0;
    }
    bool join(const char *local)
    {
        ip_mreq request = {};
        request.imr_multiaddr.s_addr = inet_addr("239.255.255.250");
        request.imr_interface.s_addr = inet_addr(local);
        return setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof(request)) == 0;
    }

    int fd;
};

class VeltoReceiveNetns : public SimulatorTest
{
protected:
    static void SetUpTestSuite() { setUpSuiteWithMac(kOwnMac); }

    QVector<VeltoDevice> search(double seconds)
    {
        QVector<VeltoDevice> found;
        sdk->searchDevices(found, seconds);
        return found;
    }
};

// A second veth pair between the namespaces: 192.168.77.1 here, 192.168.77.2 there.
class SecondNetwork
{
public:
    SecondNetwork()
        : here(QStringLiteral("lrx%1").arg(::getpid() % 100000)),
          there(QStringLiteral("lry%1").arg(::getpid() % 100000))
    {
        const QString peer = qEnvironmentVariable("NETNS_B");
        ok = VeltoTest::ip({"link", "add", here, "type", "veth", "peer", "name", there}) == 0 &&
             VeltoTest::ip({"link", "set", there, "netns", peer}) == 0 &&
             VeltoTest::ip({"addr", "add", "192.168.77.1/24", "dev", here}) == 0 &&
             VeltoTest::ip({"link", "set", here, "up"}) == 0 &&
             VeltoTest::ip({"-n", peer, "addr", "add", "192.168.77.2/24", "dev", there}) == 0 &&
             VeltoTest::ip({"-n", peer, "link", "set", there, "up"}) == 0;
    }
    ~SecondNetwork() { VeltoTest::ip({"link", "del", here}); }

    const QString here;
    const QString there;
    bool ok = false;
};

// A device on the far end of the second network, answering every search to us both by
// group and straight to our address there, for about seconds.
void answerFromSecondNetwork(double seconds)
{
    const QString script =
        QStringLiteral("import socket,struct,time\n"
                       "s=socket.socket(socket.AF_INET,socket.SOCK_DGRAM)\n"
                       "s.setsockopt(socket.IPPROTO_IP,socket.IP_MULTICAST_IF,socket.inet_aton('"
                       "192.168.77.2'))\n"
                       "end=time.monotonic()+%1\n"
                       "while time.monotonic()<end:\n"
                       "  for n,to in ((1,'239.255.255.250'),(2,'192.168.77.1')):\n"
                       "    j=('{\"destid\":\"%2\",\"id\":0,\"mac\":\"06:0E:0E:00:00:0%d\",'\n"
                       "       '\"result\":\"success\"}' % n).encode()\n"
                       "    s.sendto(struct.pack('>II',len(j)+8,0)+j,(to,5999))\n"
                       "  time.sleep(0.02)\n")
            .arg(seconds)
            .arg(QLatin1String(kOwnSrcId));
    VeltoTest::ip({"netns", "exec", qEnvironmentVariable("NETNS_B"), "python3", "-c", script});
}
} // namespace

// Another program joined the group on the second network, so Linux would hand its group
// traffic to our wildcard-bound socket too; unicast to port 5999 reaches it anyway.
TEST_F(VeltoReceiveNetns, RepliesFromAnotherNetworkAreNotTaken)
{
    SecondNetwork second;
    ASSERT_TRUE(second.ok);
    Socket listener;
    ASSERT_TRUE(listener.join("192.168.77.1"));
    simulate({"--count", "1", "--delay-max", "50", "--http-port", "0"});
    startProtocol();
    auto other = std::async(std::launch::async, []() { answerFromSecondNetwork(1.5); });
    QThread::msleep(300);
    const QVector<VeltoDevice> found = search(1.0);
    other.get();
    EXPECT_EQ(macsOf(found), QStringList({kRealMac}));
}

// The receive socket cannot be bound for its first second; the search sent at once must
// still be answered.
TEST_F(VeltoReceiveNetns, RequestsWaitUntilTheReceiveSocketListens)
{
    simulate({"--count", "1", "--delay-max", "20", "--http-port", "0"});
    Socket blocker; // no SO_REUSEADDR: nobody else can bind port 5999 while it is open
    ASSERT_TRUE(blocker.bind("0.0.0.0", 5999));
    sdk->start(iface, entry);
    auto search = std::async(std::launch::async, [this]() { return this->search(2.5); });
    QThread::msleep(300);
    blocker.close();
    EXPECT_EQ(macsOf(search.get()), QStringList({kRealMac}));
}

// A late reply of the old network and a request meant for it must not reach the new one.
TEST_F(VeltoReceiveNetns, StartEmptiesBothQueues)
{
    simulate({"--count", "1", "--delay-max", "20", "--http-port", "0"});
    VeltoSDKTestAccess::useNetwork(sdk, iface, entry);
    VeltoSDKTestAccess::expectReply(sdk, 0);
    const QByteArray stale = VeltoTest::replyDatagram(
        {{"destid", kOwnSrcId}, {"id", 0}, {"mac", "06:01:D0:00:00:01"}, {"result", "success"}});
    sdk->queueReply(stale.constData(), stale.size());
    sdk->setDeviceIrCut(VeltoTest::device("02564C000001"), "1");
    startProtocol();
    EXPECT_EQ(macsOf(search(0.5)), QStringList({kRealMac}));
    for (const QJsonObject &request : sim->events("request"))
        EXPECT_EQ(request.value("method").toString(), QStringLiteral("search"));
}

// lankitctl on a line where lankit is open: both get the replies.
TEST_F(VeltoReceiveNetns, LankitctlSearchesBesideARunningProgram)
{
    simulate({"--count", "2", "--delay-min", "300", "--delay-max", "600", "--http-port", "0"});
    startProtocol();
    QProcess ctl;
    ctl.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ctl.start(testBinDir() + "/lankitctl",
              {"--interface", VeltoTest::namespaceInterface(), "--seconds", "2.5", "search"});
    ASSERT_TRUE(ctl.waitForStarted());
    QThread::msleep(500); // its receive socket is bound by now
    const QVector<VeltoDevice> found = search(1.5);
    ASSERT_TRUE(ctl.waitForFinished(10000));
    EXPECT_EQ(ctl.exitCode(), 0);
    const QJsonArray listed = QJsonDocument::fromJson(ctl.readAllStandardOutput()).array();
    QStringList ctlMacs;
    for (const QJsonValue &device : listed)
        ctlMacs << device.toObject().value("mac").toString();
    const QStringList both = {kRealMac, "02:56:4C:00:00:02"};
    EXPECT_EQ(ctlMacs, both);
    EXPECT_EQ(macsOf(found), both);
}

// Lying lengths, text that is not JSON, deep nesting, a 10 KB MAC, control characters,
// invalid UTF-8, then 100,000 distinct MACs in one burst, while two real cameras answer.
TEST_F(VeltoReceiveNetns, HostilePeerFloodsAndLies)
{
    constexpr int kFlood = 100000;
    simulate({"--count", "2", "--delay-max", "100", "--http-port", "0", "--flood",
              QString::number(kFlood), "--flood-ms", "1000", "--hostile"});
    startProtocol();
    const long before = peakResidentKb();
    const long long dropsBefore = VeltoTest::receiveBufferErrors();
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = cpuSeconds();
    const QVector<VeltoDevice> found = search(3.0);
    const qint64 took = timer.elapsed();
    const double cpu = cpuSeconds() - cpuBefore;
    const long peak = peakResidentKb();
    RecordProperty("peak_rss_kb", static_cast<int>(peak));
    RecordProperty("rss_growth_kb", static_cast<int>(peak - before));
    RecordProperty("listed", found.size());
    std::printf("kernel drops %lld\n", VeltoTest::receiveBufferErrors() - dropsBefore);
    std::printf("hostile peer: %d listed in %lld ms, CPU %.2f s, peak RSS %ld kB (+%ld kB)\n",
                found.size(), static_cast<long long>(took), cpu, peak, peak - before);
    // The search ends when its time is up; freeing a whole flood's list takes a moment more on
    // a busy machine, but never as long as a second search.
    EXPECT_LT(took, 6000);
    QStringList macs = macsOf(found);
    EXPECT_TRUE(macs.contains(kRealMac));
    EXPECT_TRUE(macs.contains("02:56:4C:00:00:02"));
    for (const char *forged : {"06:BA:D0:00:00:01", "06:BA:D0:00:00:02", "06:BA:D0:00:00:03"})
        EXPECT_FALSE(macs.contains(forged)) << forged;
    EXPECT_FALSE(
        std::any_of(macs.begin(), macs.end(), [](const QString &m) { return m.size() > 64; }));
    // How many of the flood are listed in the time depends on the CPU this process gets;
    // the scale benchmark measures that.
    EXPECT_GT(found.size(), 2);
    EXPECT_LT(peak - before, 400 * 1024 * kSanitizerMemoryFactor);

    // One line per entry, none carrying a control character, at a bounded rate.
    const QStringList received = log.matching(QStringLiteral("VeltoSDK.cpp: recv"));
    EXPECT_LE(received.size(), 4 * (VeltoLogLimiter::kLinesPerSecond + 1));
    for (const QString &line : log.lines()) {
        EXPECT_FALSE(std::any_of(line.begin(), line.end(), [](QChar c) {
            return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0);
        })) << qPrintable(line.left(200));
    }
}
