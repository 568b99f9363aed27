#include "Velto/VeltoNetwork.h"

#include <QHostAddress>
#include <QStringList>

namespace {
bool hasIPv4Entry(const QNetworkInterface &iface)
{
    const QList<QNetworkAddressEntry> entries = iface.addressEntries();
    for (const QNetworkAddressEntry &entry : entries) {
        if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
            return true;
    }
    return false;
}

bool isWiredOrWireless(const QNetworkInterface &iface)
{
    return iface.isValid() &&
           (iface.type() == QNetworkInterface::Ethernet || iface.type() == QNetworkInterface::Wifi);
}

bool isUsable(const QNetworkInterface &iface)
{
    return isWiredOrWireless(iface) && isUpAndRunning(iface) &&
           iface.flags().testFlag(QNetworkInterface::CanMulticast) && hasIPv4Entry(iface);
}

// The four octets of an IPv4 entry, or false for any other protocol.
bool octetsOf(const QNetworkAddressEntry &entry, int octets[4])
{
    if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    const quint32 address = entry.ip().toIPv4Address();
    for (int i = 0; i < 4; ++i)
        octets[i] = static_cast<int>((address >> (24 - 8 * i)) & 0xff);
    return true;
}
} // namespace

bool isUpAndRunning(const QNetworkInterface &iface)
{
    const QNetworkInterface::InterfaceFlags running =
        QNetworkInterface::IsUp | QNetworkInterface::IsRunning;
    return (iface.flags() & running) == running;
}

QList<QNetworkInterface> usableInterfaces()
{
    QList<QNetworkInterface> usable;
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : all) {
        if (isUsable(iface))
            usable.append(iface);
    }
    return usable;
}

// The first test that no interface passes names the reason: each test narrows the ones
// before it.
QString whyNoUsableInterface()
{
    bool wiredOrWireless = false;
    bool connected = false;
    bool addressed = false;
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : all) {
        if (!isWiredOrWireless(iface))
            continue;
        if (isUsable(iface))
            return QString();
        wiredOrWireless = true;
        if (!isUpAndRunning(iface))
            continue;
        connected = true;
        addressed = addressed || hasIPv4Entry(iface);
    }
    if (!wiredOrWireless)
        return QStringLiteral("No wired or wireless network interface was found");
    if (!connected)
        return QStringLiteral("No network interface is connected");
    if (!addressed)
        return QStringLiteral("No connected network interface has an IPv4 address");
    return QStringLiteral("No connected network interface can multicast");
}

bool matchAddress(const QNetworkInterface &iface, const QString &ip, QNetworkAddressEntry &entry)
{
    return VeltoNetwork::matchEntries(iface, ip, entry);
}

bool chooseInterface(const QList<QNetworkInterface> &list, const QString &name, const QString &ip,
                     QNetworkInterface &iface, QNetworkAddressEntry &entry)
{
    return VeltoNetwork::choose(list, name, ip, iface, entry);
}

void VeltoNetwork::leadingOctets(const QString &ip, int octets[3])
{
    const QStringList fields = ip.split(QLatin1Char('.'));
    for (int i = 0; i < 3; ++i)
        octets[i] = i < fields.size() ? fields.at(i).toInt() : 0;
}

bool VeltoNetwork::sameSubnet24(const QNetworkAddressEntry &entry, const int octets[3])
{
    int own[4];
    return octetsOf(entry, own) && own[0] == octets[0] && own[1] == octets[1] &&
           own[2] == octets[2];
}

bool VeltoNetwork::isPrivate(const QNetworkAddressEntry &entry)
{
    int own[4];
    if (!octetsOf(entry, own))
        return false;
    return (own[0] == 192 && own[1] == 168) || own[0] == 10 ||
           (own[0] == 172 && own[1] >= 16 && own[1] <= 31);
}
