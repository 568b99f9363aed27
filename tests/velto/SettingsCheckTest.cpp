// What the dialogs and lankitctl refuse to send, and the reply a name at the limit makes.
#include "VeltoTestSupport.h"

#include "Velto/VeltoDatagram.h"
#include "Velto/VeltoSettingsCheck.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
using Check = VeltoSettingsCheck;

const int kLimit = Check::kMaxNameBytes;

// Two devices in the table: the one being set (…:01 at .20) and another (…:02 at .21).
QVector<VeltoDevice> listed()
{
    VeltoDevice self = VeltoTest::device("02564C000001", "02:56:4C:00:00:01");
    self.setIp("10.77.0.20");
    VeltoDevice other = VeltoTest::device("02564C000002", "02:56:4C:00:00:02");
    other.setIp("10.77.0.21");
    return {self, other};
}

struct StaticCase
{
    const char *ip, *netmask, *gateway, *dns1, *dns2;
    Check::Verdict verdict;
    const char *sentIp; // what is sent when the verdict lets it go
};

TEST(SettingsCheck, NamesAddressesAndFiles)
{
    const struct
    {
        QString name;
        Check::Verdict verdict;
    } names[] = {
        {"Gate 7", Check::Ok},
        {"   ", Check::Ok}, // sent unchanged, as typed
        {QString(), Check::EmptyName},
        {QString(kLimit, 'a'), Check::Ok},
        {QString(kLimit + 1, 'a'), Check::NameTooLong},
        {QString(kLimit / 3, QChar(0x95e8)), Check::Ok},              // 3 bytes each
        {QString(kLimit / 3 + 1, QChar(0x95e8)), Check::NameTooLong}, // counted in bytes
        {QString(kLimit / 2, '"'), Check::Ok},                        // escaped: 2 bytes each
        {QString(kLimit / 2, '"') + "x", Check::NameTooLong},
        {"Line 1\nLine 2", Check::NameControlCharacter},
        {"Gate\t7", Check::NameControlCharacter},
        {QString("Gate") + QChar(0x7f), Check::NameControlCharacter},
        {QString("Gate") + QChar(0x85), Check::NameControlCharacter},
        {QString("Gate") + QChar(0x2028), Check::NameControlCharacter},
    };
    for (const auto &c : names)
        EXPECT_EQ(Check::checkName(c.name), c.verdict) << c.name.left(20).toStdString();

    const StaticCase statics[] = {
        {" 10.77.0.30", "255.255.255.0", "+10.77.0.1", "", "", Check::Ok, "10.77.0.30"},
        {"10.77.0.20", "255.255.255.0", "10.77.0.1", "8.8.8.8", "", Check::Ok, "10.77.0.20"},
        {"10.77.0.256", "255.255.255.0", "10.77.0.1", "", "", Check::BadAddress, nullptr},
        {"10.77.0.30", "255.255.255.", "10.77.0.1", "", "", Check::BadNetmask, nullptr},
        {"10.77.0.30", "255.0.255.0", "10.77.0.1", "", "", Check::NetmaskGaps, nullptr},
        {"10.77.0.30", "0.0.0.0", "10.77.0.1", "", "", Check::NetmaskGaps, nullptr},
        {"10.77.0.30", "255.255.255.255", "10.77.0.30", "", "", Check::Ok, "10.77.0.30"},
        {"10.77.0.30", "255.255.255.0", "abc", "", "", Check::BadGateway, nullptr},
        {"10.77.0.30", "255.255.255.0", "10.77.0.1", "dns.example", "", Check::BadDns, nullptr},
        {"10.77.0.30", "255.255.255.0", "10.77.0.1", "", "8.8.8", Check::BadDns, nullptr},
        {"10.77.0.21", "255.255.255.0", "10.77.0.1", "", "", Check::AddressInUse, nullptr},
        {"10.77.0.30", "255.255.255.0", "10.77.1.1", "", "", Check::GatewayOutsideSubnet,
         "10.77.0.30"},
        {"10.77.0.30", "255.255.0.0", "10.77.1.1", "", "", Check::Ok, "10.77.0.30"},
    };
    for (const StaticCase &c : statics) {
        Check::StaticAddress address{c.ip, c.netmask, c.gateway, c.dns1, c.dns2};
        EXPECT_EQ(Check::checkStatic(address, listed(), "02:56:4C:00:00:01"), c.verdict) << c.ip;
        if (c.sentIp) {
            EXPECT_EQ(address.ip, QLatin1String(c.sentIp));
        }
    }
    Check::StaticAddress typed{" 10.77.0.30", "255.255.255.0", "+10.77.0.1", " 8.8.8.8", ""};
    ASSERT_EQ(Check::checkStatic(typed, {}, QString()), Check::Ok);
    EXPECT_EQ(typed.gateway + "," + typed.dns1 + "," + typed.dns2, "10.77.0.1,8.8.8.8,");

    QTemporaryDir dir;
    const QString empty = dir.filePath("empty.bin");
    const QString one = dir.filePath("one.bin");
    QFile(empty).open(QIODevice::WriteOnly);
    QFile file(one);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x", 1);
    file.close();
    EXPECT_EQ(Check::checkFirmwareFile(empty), Check::EmptyFile);
    EXPECT_EQ(Check::checkFirmwareFile(one), Check::Ok);
    EXPECT_EQ(Check::checkFirmwareFile(dir.path()), Check::NotRegularFile);
    EXPECT_EQ(Check::checkFirmwareFile("/dev/zero"), Check::NotRegularFile);
    EXPECT_EQ(Check::checkFirmwareFile(dir.filePath("missing.bin")), Check::UnreadableFile);
}

// The reply of a camera whose every field is as long as the check allows for, built and
// framed as a camera's JSON writer would: a name at the limit still fits the receive buffer.
TEST(SettingsCheck, AReplyCarryingANameAtTheLimitFitsTheReceiveBuffer)
{
    const QString quad = "255.255.255.255";
    QJsonObject reply{{"mac", "FF:FF:FF:FF:FF:FF"},
                      {"srcid", "FFFFFFFFFFFF"},
                      {"ip", quad},
                      {"netmask", quad},
                      {"gateway", quad},
                      {"dns1", quad},
                      {"dns2", quad},
                      {"IpMode", "static"},
                      {"p2pid", QString(32, 'p')},
                      {"appVersion", QString(32, 'v')},
                      {"HdCuFun", QString(64, 'f')},
                      {"rtsppath1", QString(96, 'r')},
                      {"httpport", "65535"},
                      {"result", "success"},
                      {"destid", "FFFFFFFFFFFF"},
                      {"method", "search"},
                      {"id", -2147483647 - 1},
                      {"name", ""}};
    EXPECT_EQ(VeltoDatagram::compactJson(reply).size(), Check::kReplyWithoutName);
    for (const QString &name :
         {QString(kLimit, 'n'), QString(kLimit / 2, '\\'), QString("😀").repeated(kLimit / 4)}) {
        ASSERT_EQ(Check::checkName(name), Check::Ok);
        reply.insert("name", name);
        const QByteArray datagram = VeltoDatagram::frame(reply);
        EXPECT_LE(datagram.size(), VeltoDatagram::kMaxSize);
        EXPECT_TRUE(VeltoDatagram::hasValidLength(datagram.constData(), datagram.size()));
    }
}
} // namespace
