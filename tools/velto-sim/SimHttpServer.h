#pragma once

#include <QObject>
#include <QTcpServer>

class SimDevice;
struct SimOptions;

// A camera's web server: takes firmware uploads on POST /update.cgi.
class SimHttpServer : public QObject
{
    Q_OBJECT

public:
    SimHttpServer(const SimOptions &options, const SimDevice &device);

    // Listens on the camera's HTTP port of every address; false after printing why.
    bool listen();

private:
    void accept();

    const SimOptions &options;
    const SimDevice &device; // owned by main()
    QTcpServer server;
};
