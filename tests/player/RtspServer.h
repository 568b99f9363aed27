#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// GStreamer's RTSP server (tests/player/rtsp_server.py) serving a live test pattern with a
// 1 kHz tone on 127.0.0.1, on a port chosen when it starts.
class RtspServer
{
public:
    // sourceDir: the repository's top folder, where tests/player/rtsp_server.py lives.
    explicit RtspServer(const QString &sourceDir);
    ~RtspServer();
    RtspServer(const RtspServer &) = delete;
    RtspServer &operator=(const RtspServer &) = delete;

    // Starts the server (extra arguments go to the script) and waits until it listens.
    bool start(const QStringList &arguments = {});
    // Kills the server at once, as a device that loses power.
    void kill();
    // The address of the test pattern, or of another mount (see rtsp_server.py --mount),
    // with user information ("user:password@") when given.
    QByteArray url(const QByteArray &mount = "test", const QByteArray &userInfo = {}) const;
    int port() const { return boundPort; }
    // Client connections accepted so far; counted only when started with
    // "--tell-connections".
    int connections();

private:
    QString script;
    QProcess process;
    int boundPort = 0;
    int accepted = 0;
};
