#include "SimFlood.h"

#include "SimEvents.h"

#include <QJsonObject>
#include <QtEndian>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
const char kGroup[] = "239.255.255.250";
const quint16 kReplyPort = 5999;
const int kBatches = 100;
const int kSendBuffer = 8 * 1024 * 1024;

QByteArray framed(const QByteArray &json, qint64 declared = -1)
{
    QByteArray datagram(8, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(declared < 0 ? json.size() + 8 : declared),
                          datagram.data());
    return datagram + json;
}

QByteArray reply(int id, const QByteArray &srcId, const QByteArray &mac, const QByteArray &name)
{
    return "{\"destid\":\"" + srcId + "\",\"httpport\":80,\"id\":" + QByteArray::number(id) +
           ",\"ip\":\"10.77.0.200\",\"mac\":\"" + mac + "\",\"method\":\"search\",\"name\":\"" +
           name + "\",\"result\":\"success\"}";
}

QByteArray floodMac(int n)
{
    QByteArray mac = "06:F1:";
    for (int shift = 24; shift >= 0; shift -= 8) {
        mac += QByteArray::number((n >> shift) & 0xff, 16).rightJustified(2, '0').toUpper();
        if (shift > 0)
            mac += ':';
    }
    return mac;
}
} // namespace

SimFlood::SimFlood(int floodCount, int floodMs, bool hostile, const QHostAddress &local)
    : floodCount(floodCount), floodMs(floodMs), hostile(hostile)
{
    if (!isActive())
        return;
    sock = ::socket(AF_INET, SOCK_DGRAM, 0);
    in_addr address = {};
    address.s_addr = htonl(local.toIPv4Address());
    setsockopt(sock, IPPROTO_IP, IP_MULTICAST_IF, &address, sizeof(address));
    setsockopt(sock, SOL_SOCKET, SO_SNDBUFFORCE, &kSendBuffer, sizeof(kSendBuffer));
}

SimFlood::~SimFlood()
{
    stopping.store(true);
    if (burst.joinable())
        burst.join();
    if (sock >= 0)
        ::close(sock);
}

void SimFlood::answer(int id, const QString &srcId)
{
    if (burst.joinable())
        burst.join();
    burst = std::thread(&SimFlood::run, this, id, srcId.toLatin1());
}

void SimFlood::run(int id, QByteArray srcId)
{
    const auto start = std::chrono::steady_clock::now();
    if (hostile)
        sendHostile(id, srcId);
    sendFlood(id, srcId);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    SimEvents::print("flood", {{QStringLiteral("id"), id},
                               {QStringLiteral("replies"), floodCount},
                               {QStringLiteral("ms"), static_cast<qint64>(ms)}});
}

// Every one of these names a MAC, so a program that took one would list a device.
void SimFlood::sendHostile(int id, const QByteArray &srcId)
{
    const QByteArray good = reply(id, srcId, "06:BA:D0:00:00:01", "lying length");
    send(framed(good, good.size() + 9));
    send(framed(good, good.size() + 7));
    send(framed(good, 0xffffffffu));
    send(framed(good, 4));
    send(QByteArray("\0\0\0\4", 4));
    send(framed("this is not JSON, mac 06:BA:D0:00:00:02"));
    send(framed("[\"mac\",\"06:BA:D0:00:00:03\"]"));
    QByteArray deep = "{\"destid\":\"" + srcId + "\",\"id\":" + QByteArray::number(id) +
                      ",\"mac\":\"06:BA:D0:00:00:04\",\"x\":";
    deep += QByteArray(900, '[') + QByteArray(900, ']') + "}";
    send(framed(deep));
    send(framed(reply(id, srcId, QByteArray(10 * 1024, 'M'), "long MAC")));
    // Accepted as devices: their names carry what must not reach a log line raw.
    send(framed(reply(id, srcId, "06:BA:D0:00:00:05",
                      "evil\r\n[2026-01-01 00:00:00.000]  VeltoSDK.cpp:1  forged\x1b[31mred\x07")));
    send(framed(reply(id, srcId, "06:BA:D0:00:00:06",
                      "bad \xff\xfe\xc0\xaf utf-8 \xc2\x9b"
                      "2J")));
    QByteArray split = reply(id, srcId, "06:BA:D0:00:00:07", "raw LF between tokens");
    split.replace(",\"ip\"", ",\n\r\"ip\"");
    send(framed(split));
}

// Sent in kBatches even steps over floodMs; the socket's buffer takes each step at once.
void SimFlood::sendFlood(int id, const QByteArray &srcId)
{
    const auto start = std::chrono::steady_clock::now();
    for (int batch = 0; batch < kBatches && !stopping.load(); ++batch) {
        const int from = static_cast<int>(qint64(floodCount) * batch / kBatches);
        const int to = static_cast<int>(qint64(floodCount) * (batch + 1) / kBatches);
        for (int n = from; n < to; ++n)
            send(framed(reply(id, srcId, floodMac(n), "Flood " + QByteArray::number(n))));
        std::this_thread::sleep_until(
            start + std::chrono::milliseconds(qint64(floodMs) * (batch + 1) / kBatches));
    }
}

void SimFlood::send(const QByteArray &datagram)
{
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(kReplyPort);
    to.sin_addr.s_addr = inet_addr(kGroup);
    for (int attempt = 0; attempt < 1000 && !stopping.load(); ++attempt) {
        if (::sendto(sock, datagram.constData(), static_cast<size_t>(datagram.size()), 0,
                     reinterpret_cast<const sockaddr *>(&to), sizeof(to)) >= 0)
            return;
        if (errno != ENOBUFS && errno != EAGAIN)
            return;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}
