#pragma once

#include <QObject>
#include <QTcpServer>

class SimDevice;
struct SimOptions;

// One port of a camera's web server: firmware uploads on POST /update.cgi and the status
// page on GET /.
class SimHttpServer : public QObject
{
    Q_OBJECT

public:
    SimHttpServer(const SimOptions &options, SimDevice &device, quint16 port);

    // Listens on the port of the camera's own address, or of every address when the
    // cameras share one; false after printing why.
    bool listen();

private:
    void accept();

    const SimOptions &options;
    SimDevice &device; // owned by main()
    const quint16 port;
    QTcpServer server;
};
