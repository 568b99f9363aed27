#include "SimHttpServer.h"

#include "SimDevice.h"
#include "SimHttpConnection.h"

#include <QTcpSocket>

#include <cstdio>

SimHttpServer::SimHttpServer(const SimOptions &options, const SimDevice &device)
    : options(options), device(device)
{
    connect(&server, &QTcpServer::newConnection, this, &SimHttpServer::accept);
}

bool SimHttpServer::listen()
{
    const auto port = static_cast<quint16>(device.httpPort());
    if (server.listen(QHostAddress::AnyIPv4, port))
        return true;
    std::fprintf(stderr, "velto-sim: HTTP port %d: %s\n", port, qPrintable(server.errorString()));
    return false;
}

void SimHttpServer::accept()
{
    while (QTcpSocket *socket = server.nextPendingConnection())
        new SimHttpConnection(socket, options, device.srcId());
}
