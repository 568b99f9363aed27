#pragma once

#include <QList>
#include <QNetworkAddressEntry>
#include <QNetworkInterface>
#include <QString>

// Choosing the network interface and IPv4 address the device protocol runs on. The main
// window and the network dialog pass the configured "network name" and "network ip".

// Whether the interface is up with its link running, as a usable one must be.
bool isUpAndRunning(const QNetworkInterface &iface);
// Interfaces in the system's order that are valid Ethernet or Wi-Fi, up, running and
// multicast-capable, with at least one IPv4 address.
QList<QNetworkInterface> usableInterfaces();

// Why usableInterfaces() is empty, as an untranslated sentence for the operator: no wired
// or wireless interface, none up and running, none with an IPv4 address, or none that can
// multicast. Empty when some interface is usable.
QString whyNoUsableInterface();

// Picks an IPv4 entry of iface for the configured ip: the first entry in the same /24 as
// ip (when ip's first number is not 0), else the first entry in a private range. Leaves
// entry unchanged and returns false when neither exists.
bool matchAddress(const QNetworkInterface &iface, const QString &ip, QNetworkAddressEntry &entry);

// The interface named name if one of its addresses matches ip, else the first interface
// of list with a matching address (true). Otherwise the first interface with its first
// entry of any protocol (false), or nothing at all for an empty list (false).
bool chooseInterface(const QList<QNetworkInterface> &list, const QString &name, const QString &ip,
                     QNetworkInterface &iface, QNetworkAddressEntry &entry);

namespace VeltoNetwork {
// The first three numbers of a dotted address, 0 for fields that do not parse.
void leadingOctets(const QString &ip, int octets[3]);
bool sameSubnet24(const QNetworkAddressEntry &entry, const int octets[3]);
// 192.168.0.0/16, 10.0.0.0/8 and 172.16.0.0/12.
bool isPrivate(const QNetworkAddressEntry &entry);

// The choice itself works on anything that has humanReadableName() and addressEntries(),
// so that it can be checked with made-up interfaces.
template <typename Interface>
bool matchEntries(const Interface &iface, const QString &ip, QNetworkAddressEntry &entry)
{
    int octets[3] = {0, 0, 0};
    leadingOctets(ip, octets);
    const QList<QNetworkAddressEntry> entries = iface.addressEntries();
    if (octets[0] != 0) {
        for (const QNetworkAddressEntry &candidate : entries) {
            if (sameSubnet24(candidate, octets)) {
                entry = candidate;
                return true;
            }
        }
    }
    for (const QNetworkAddressEntry &candidate : entries) {
        if (isPrivate(candidate)) {
            entry = candidate;
            return true;
        }
    }
    return false;
}

template <typename Interface>
bool choose(const QList<Interface> &list, const QString &name, const QString &ip, Interface &iface,
            QNetworkAddressEntry &entry)
{
    if (!name.isEmpty()) {
        for (const Interface &candidate : list) {
            if (candidate.humanReadableName() != name)
                continue;
            if (matchEntries(candidate, ip, entry)) {
                iface = candidate;
                return true;
            }
            break;
        }
    }
    for (const Interface &candidate : list) {
        if (matchEntries(candidate, ip, entry)) {
            iface = candidate;
            return true;
        }
    }
    if (!list.isEmpty()) {
        iface = list.first();
        const QList<QNetworkAddressEntry> entries = iface.addressEntries();
        if (!entries.isEmpty())
            entry = entries.first();
    }
    return false;
}
} // namespace VeltoNetwork
