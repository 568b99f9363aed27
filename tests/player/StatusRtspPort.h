#pragma once

#include <QByteArray>
#include <QTcpServer>

// An RTSP server on 127.0.0.1 that answers every request with one status, such as
// "403 Forbidden" or "503 Service Unavailable": a camera that refuses or is busy. It runs on
// the creating thread's event loop and counts the connections it takes.
class StatusRtspPort : public QObject
{
public:
    explicit StatusRtspPort(const QByteArray &status);

    int port() const { return server.serverPort(); }
    int connections() const { return accepted; }

private:
    void onConnection();

    QTcpServer server;
    const QByteArray status;
    int accepted = 0;
};
