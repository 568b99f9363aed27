#include "StatusRtspPort.h"

#include <QRegularExpression>
#include <QTcpSocket>

#include <memory>

namespace {
// A request larger than this is not an RTSP request: the connection is dropped.
constexpr int kMaxRequestBytes = 64 * 1024;
constexpr char kHeaderEnd[] = "\r\n\r\n";

QByteArray sequenceOf(const QByteArray &request)
{
    const QRegularExpression cseq(QStringLiteral("(?im)^CSeq:\\s*(\\d+)"));
    return cseq.match(QString::fromLatin1(request)).captured(1).toLatin1();
}
} // namespace

StatusRtspPort::StatusRtspPort(const QByteArray &status) : status(status)
{
    server.listen(QHostAddress::LocalHost, 0);
    connect(&server, &QTcpServer::newConnection, this, &StatusRtspPort::onConnection);
}

void StatusRtspPort::onConnection()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        ++accepted;
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto pending = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, pending] {
            *pending += socket->readAll();
            for (int end; (end = pending->indexOf(kHeaderEnd)) >= 0;) {
                const QByteArray request = pending->left(end);
                pending->remove(0, end + static_cast<int>(sizeof kHeaderEnd) - 1);
                socket->write("RTSP/1.0 " + status + "\r\nCSeq: " + sequenceOf(request) +
                              "\r\nContent-Length: 0\r\n\r\n");
            }
            if (pending->size() > kMaxRequestBytes)
                socket->abort();
        });
    }
}
