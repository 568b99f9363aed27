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
bool findAddress(const QNetworkInterface &iface, QNetworkAddressEntry &address)
{
    const QList<QNetworkAddressEntry> entries = iface.addressEntries();
    for (const QNetworkAddressEntry &entry : entries) {
        if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
            address = entry;
            return true;
        }
    }
    return false;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    SimOptions options;
    if (!options.parse(app.arguments()))
        return 2;
    const QNetworkInterface iface = QNetworkInterface::interfaceFromName(options.interfaceName);
    QNetworkAddressEntry address;
    if (!iface.isValid() || !findAddress(iface, address)) {
        std::fprintf(stderr, "velto-sim: no IPv4 interface %s\n",
                     qPrintable(options.interfaceName));
        return 2;
    }

    QVector<SimDevice> devices;
    devices.reserve(options.count); // the protocol and the servers keep references
    for (int i = 0; i < options.count; ++i)
        devices.append(SimDevice(i, options, address));
    SimProtocol protocol(options, devices, iface);
    if (!protocol.open())
        return 1;
    std::vector<std::unique_ptr<SimHttpServer>> servers;
    if (options.httpPort > 0) {
        for (const SimDevice &device : devices) {
            servers.push_back(std::make_unique<SimHttpServer>(options, device));
            if (!servers.back()->listen())
                return 1;
        }
    }

    SimEvents::print("ready", {{QStringLiteral("devices"), options.count},
                               {QStringLiteral("address"), address.ip().toString()},
                               {QStringLiteral("firstSrcid"), devices.first().srcId()},
                               {QStringLiteral("uploadDir"), options.uploadDir}});
    return app.exec();
}
