#include "SimHttpServer.h"

#include "SimDevice.h"
#include "SimHttpConnection.h"

#include <QTcpSocket>

#include <cstdio>

SimHttpServer::SimHttpServer(const SimOptions &options, SimDevice &device, quint16 port)
    : options(options), device(device), port(port)
{
    connect(&server, &QTcpServer::newConnection, this, &SimHttpServer::accept);
}

bool SimHttpServer::listen()
{
    if (server.listen(device.bindAddress(), port))
        return true;
    std::fprintf(stderr, "velto-sim: HTTP %s port %d: %s\n",
                 qPrintable(device.bindAddress().toString()), port,
                 qPrintable(server.errorString()));
    return false;
}

void SimHttpServer::accept()
{
    while (QTcpSocket *socket = server.nextPendingConnection())
        new SimHttpConnection(socket, options, device);
}
