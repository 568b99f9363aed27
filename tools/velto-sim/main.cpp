// velto-sim: a crowd of simulated cameras on one network interface, for tests and for
// demonstrations without real devices. See SimOptions.cpp or --help for the options.
#include "SimDevice.h"
#include "SimEvents.h"
#include "SimHttpServer.h"
#include "SimOptions.h"
#include "SimProtocol.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QNetworkInterface>

#include <cstdio>
#include <memory>
#include <vector>

namespace {
// The interface's entry of ip, or with ip null its first IPv4 entry.
bool findAddress(const QNetworkInterface &iface, const QHostAddress &ip,
                 QNetworkAddressEntry &address)
{
    const QList<QNetworkAddressEntry> entries = iface.addressEntries();
    for (const QNetworkAddressEntry &entry : entries) {
        if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        if (ip.isNull() || entry.ip() == ip) {
            address = entry;
            return true;
        }
    }
    return false;
}

bool makeDevices(const SimOptions &options, const QNetworkInterface &iface,
                 const QNetworkAddressEntry &shared, QVector<SimDevice> &devices)
{
    devices.reserve(options.count); // the protocol and the servers keep references
    for (int i = 0; i < options.count; ++i) {
        QNetworkAddressEntry address = shared;
        const bool own = !options.addresses.isEmpty();
        if (own && !findAddress(iface, options.addresses.at(i), address)) {
            std::fprintf(stderr, "velto-sim: %s is not an address of %s\n",
                         qPrintable(options.addresses.at(i).toString()),
                         qPrintable(options.interfaceName));
            return false;
        }
        devices.append(SimDevice(i, options, address, own));
    }
    return true;
}

bool startServers(const SimOptions &options, QVector<SimDevice> &devices,
                  std::vector<std::unique_ptr<SimHttpServer>> &servers)
{
    for (SimDevice &device : devices) {
        QList<int> ports;
        if (options.httpPort > 0)
            ports.append(device.httpPort());
        const int web = options.webPort + (device.hasOwnAddress() ? 0 : device.index());
        if (options.webPort > 0 && !ports.contains(web))
            ports.append(web);
        for (const int port : qAsConst(ports)) {
            if (port > 65535) {
                std::fprintf(stderr, "velto-sim: HTTP port %d out of range\n", port);
                return false;
            }
            servers.push_back(
                std::make_unique<SimHttpServer>(options, device, static_cast<quint16>(port)));
            if (!servers.back()->listen())
                return false;
        }
    }
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(LANKIT_VERSION));
    SimOptions options;
    if (!options.parse(app.arguments()))
        return 2;
    const QNetworkInterface iface = QNetworkInterface::interfaceFromName(options.interfaceName);
    QNetworkAddressEntry address;
    if (!iface.isValid() || !findAddress(iface, QHostAddress(), address)) {
        std::fprintf(stderr, "velto-sim: no IPv4 interface %s\n",
                     qPrintable(options.interfaceName));
        return 2;
    }
    QVector<SimDevice> devices;
    if (!makeDevices(options, iface, address, devices))
        return 2;
    SimProtocol protocol(options, devices, iface);
    if (!protocol.open())
        return 1;
    std::vector<std::unique_ptr<SimHttpServer>> servers;
    if (!startServers(options, devices, servers))
        return 1;

    QJsonObject ready = {{QStringLiteral("devices"), options.count},
                         {QStringLiteral("address"), address.ip().toString()},
                         {QStringLiteral("webPort"), options.webPort},
                         {QStringLiteral("firstSrcid"), devices.first().srcId()},
                         {QStringLiteral("uploadDir"), options.uploadDir}};
    if (!options.addresses.isEmpty()) {
        QJsonArray addresses;
        for (const SimDevice &device : qAsConst(devices))
            addresses.append(device.ip());
        ready.insert(QStringLiteral("addresses"), addresses);
    }
    SimEvents::print("ready", ready);
    return app.exec();
}
