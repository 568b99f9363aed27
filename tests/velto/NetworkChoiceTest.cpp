// Choice of the interface and address the protocol runs on, with made-up interfaces.
#include "Velto/VeltoNetwork.h"

#include <QHostAddress>
#include <gtest/gtest.h>

namespace {
struct FakeInterface
{
    QString name;
    QList<QNetworkAddressEntry> entries;
    QString humanReadableName() const { return name; }
    QList<QNetworkAddressEntry> addressEntries() const { return entries; }
};

QNetworkAddressEntry address(const char *ip)
{
    QNetworkAddressEntry entry;
    entry.setIp(QHostAddress(QString::fromLatin1(ip)));
    return entry;
}

FakeInterface iface(const char *name, std::initializer_list<const char *> ips)
{
    FakeInterface fake{QString::fromLatin1(name), {}};
    for (const char *ip : ips)
        fake.entries.append(address(ip));
    return fake;
}

// The chosen address, or "-" when matchEntries() fails (and leaves the entry alone).
QString match(const FakeInterface &fake, const char *configuredIp)
{
    QNetworkAddressEntry entry = address("1.1.1.1");
    if (!VeltoNetwork::matchEntries(fake, QString::fromLatin1(configuredIp), entry)) {
        EXPECT_EQ(entry.ip().toString(), QStringLiteral("1.1.1.1"));
        return QStringLiteral("-");
    }
    return entry.ip().toString();
}
} // namespace

TEST(VeltoNetwork, MatchAddress)
{
    struct Case
    {
        FakeInterface fake;
        const char *ip;
        const char *chosen;
    } cases[] = {
        {iface("eth0", {"10.0.0.5", "192.168.1.10"}), "192.168.1.77", "192.168.1.10"},
        {iface("eth0", {"192.168.1.10", "10.0.0.5"}), "10.0.0.77", "10.0.0.5"},
        {iface("eth0", {"169.254.3.4", "172.20.0.9"}), "", "172.20.0.9"},
        {iface("eth0", {"169.254.3.4", "172.32.0.9"}), "", "-"},
        {iface("eth0", {"172.15.0.1", "172.16.0.1"}), "", "172.16.0.1"},
        {iface("eth0", {"172.31.255.1"}), "", "172.31.255.1"},
        {iface("eth0", {"192.169.0.1", "10.9.9.9"}), "", "10.9.9.9"},
        // no entry in the configured /24: the private walk still applies
        {iface("eth0", {"203.0.113.5", "192.168.7.7"}), "192.168.1.77", "192.168.7.7"},
        {iface("eth0", {"203.0.113.5"}), "203.0.113.200", "203.0.113.5"},
        {iface("eth0", {"203.0.113.5"}), "203.0.114.5", "-"},
        // a first field of 0, or one that does not parse, means "no configured address"
        {iface("eth0", {"203.0.113.5", "10.1.1.1"}), "0.0.113.5", "10.1.1.1"},
        {iface("eth0", {"203.0.113.5", "10.1.1.1"}), "x.0.113.5", "10.1.1.1"},
        {iface("eth0", {"192.168.1.3"}), "192.168.1", "192.168.1.3"},
        {iface("eth0", {"fe80::1", "192.168.1.3"}), "192.168.1.9", "192.168.1.3"},
        {iface("eth0", {"fd00::1"}), "", "-"},
        {iface("eth0", {}), "192.168.1.9", "-"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(match(c.fake, c.ip), QString::fromLatin1(c.chosen))
            << "ip " << c.ip << " on "
            << qPrintable(c.fake.entries.isEmpty() ? QString()
                                                   : c.fake.entries.first().ip().toString());
}

TEST(VeltoNetwork, ChooseInterface)
{
    struct Case
    {
        const char *what;
        QList<FakeInterface> list;
        const char *name;
        const char *ip;
        bool result;
        const char *iface;
        const char *entry;
    } cases[] = {
        {"named interface with a match",
         {iface("eth0", {"192.168.1.5"}), iface("eth1", {"192.168.1.6"})},
         "eth1",
         "192.168.1.77",
         true,
         "eth1",
         "192.168.1.6"},
        {"named interface without a match falls back to the walk",
         {iface("eth0", {"169.254.1.1"}), iface("eth1", {"10.1.1.1"})},
         "eth0",
         "",
         true,
         "eth1",
         "10.1.1.1"},
        {"unknown name", {iface("eth0", {"10.1.1.1"})}, "wlan9", "", true, "eth0", "10.1.1.1"},
        {"only the first interface of a name is compared by name",
         {iface("eth0", {"169.254.1.1"}), iface("eth1", {"192.168.2.2"}),
          iface("eth0", {"192.168.1.9"})},
         "eth0",
         "192.168.1.77",
         true,
         "eth1",
         "192.168.2.2"},
        {"no match: first interface and its first entry of any protocol",
         {iface("eth0", {"fe80::1", "169.254.1.1"}), iface("eth1", {"169.254.2.2"})},
         "",
         "",
         false,
         "eth0",
         "fe80::1"},
        {"no match and no entry: the entry stays",
         {iface("eth0", {})},
         "eth0",
         "",
         false,
         "eth0",
         "1.1.1.1"},
        {"empty list", {}, "eth0", "10.0.0.1", false, "unchanged", "1.1.1.1"},
    };
    for (const Case &c : cases) {
        FakeInterface chosen{QStringLiteral("unchanged"), {}};
        QNetworkAddressEntry entry = address("1.1.1.1");
        const bool result = VeltoNetwork::choose(c.list, QString::fromLatin1(c.name),
                                                 QString::fromLatin1(c.ip), chosen, entry);
        EXPECT_EQ(result, c.result) << c.what;
        EXPECT_EQ(chosen.name, QString::fromLatin1(c.iface)) << c.what;
        EXPECT_EQ(entry.ip().toString(), QString::fromLatin1(c.entry)) << c.what;
    }
}
