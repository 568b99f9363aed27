#include "RtspServer.h"

RtspServer::RtspServer(const QString &sourceDir)
    : script(sourceDir + "/tests/player/rtsp_server.py")
{}

RtspServer::~RtspServer()
{
    kill();
}

bool RtspServer::start(const QStringList &arguments)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start("/usr/bin/python3", QStringList{script} + arguments);
    if (!process.waitForStarted(10000))
        return false;
    // Standard input stays open: the server ends when it closes, even if this process dies.
    while (process.waitForReadyRead(20000) || process.canReadLine()) {
        const QByteArray line = process.readLine().trimmed();
        if (line.startsWith("PORT ")) {
            boundPort = line.mid(5).toInt();
            return boundPort > 0;
        }
    }
    return false;
}

void RtspServer::kill()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(5000);
}

QByteArray RtspServer::url(const QByteArray &mount, const QByteArray &userInfo) const
{
    const QByteArray user = userInfo.isEmpty() ? QByteArray() : userInfo + "@";
    return "rtsp://" + user + "127.0.0.1:" + QByteArray::number(boundPort) + "/" + mount;
}

int RtspServer::connections()
{
    process.waitForReadyRead(0);
    while (process.canReadLine()) {
        if (process.readLine().trimmed() == "CONNECTION")
            ++accepted;
    }
    return accepted;
}
