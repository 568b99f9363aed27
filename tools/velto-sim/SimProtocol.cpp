#include "SimProtocol.h"

#include "SimDevice.h"
#include "SimEvents.h"
#include "SimFlood.h"
#include "SimOptions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkDatagram>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <cstdio>

namespace {
const QHostAddress kGroup(QStringLiteral("239.255.255.250"));
const quint16 kRequestPort = 5888; // where programs send requests
const quint16 kReplyPort = 5999;   // where programs listen for replies
const int kHeaderSize = 8;         // 4-byte big-endian total length, 4 zero bytes
const int kOversize = 2100;        // padding that pushes a reply over the 2048-byte limit
const int kSendBuffer = 8 * 1024 * 1024;

QByteArray frame(const QByteArray &json, int lengthError)
{
    QByteArray datagram(kHeaderSize, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(json.size() + kHeaderSize + lengthError),
                          datagram.data());
    return datagram + json;
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

bool addressed(const QJsonObject &request, const QString &srcId)
{
    const QJsonArray destinations = request.value(QStringLiteral("destarray")).toArray();
    for (const QJsonValue &destination : destinations) {
        const QString id = destination.toString();
        if (id == QLatin1String("all") || id == srcId)
            return true;
    }
    return false;
}
} // namespace

SimProtocol::SimProtocol(const SimOptions &options, QVector<SimDevice> &devices,
                         const QNetworkInterface &iface)
    : options(options), devices(devices), iface(iface)
{
    connect(&socket, &QUdpSocket::readyRead, this, &SimProtocol::readRequests);
}

SimProtocol::~SimProtocol() = default;

bool SimProtocol::open()
{
    const auto mode = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;
    if (!socket.bind(QHostAddress::AnyIPv4, kRequestPort, mode) ||
        !socket.joinMulticastGroup(kGroup, iface)) {
        std::fprintf(stderr, "velto-sim: %s\n", qPrintable(socket.errorString()));
        return false;
    }
    socket.setMulticastInterface(iface);
    socket.setSocketOption(QAbstractSocket::MulticastLoopbackOption, 0);
    socket.setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kSendBuffer);
    const QList<QNetworkAddressEntry> entries = iface.addressEntries();
    QHostAddress local;
    for (const QNetworkAddressEntry &entry : entries) {
        if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol && local.isNull())
            local = entry.ip();
    }
    flood = std::make_unique<SimFlood>(options.floodCount, options.floodMs, options.hostile, local);
    replySockets.resize(static_cast<size_t>(devices.size()));
    for (const SimDevice &device : qAsConst(devices)) {
        if (device.hasOwnAddress() && !openReplySocket(device))
            return false;
    }
    return true;
}

bool SimProtocol::openReplySocket(const SimDevice &device)
{
    auto reply = std::make_unique<QUdpSocket>();
    if (!reply->bind(device.bindAddress(), 0)) {
        std::fprintf(stderr, "velto-sim: %s: %s\n", qPrintable(device.bindAddress().toString()),
                     qPrintable(reply->errorString()));
        return false;
    }
    reply->setMulticastInterface(iface);
    reply->setSocketOption(QAbstractSocket::MulticastLoopbackOption, 0);
    replySockets[static_cast<size_t>(device.index())] = std::move(reply);
    return true;
}

void SimProtocol::readRequests()
{
    while (socket.hasPendingDatagrams())
        handleRequest(socket.receiveDatagram().data());
}

void SimProtocol::handleRequest(const QByteArray &datagram)
{
    if (datagram.size() < kHeaderSize ||
        qFromBigEndian<quint32>(datagram.constData()) != static_cast<quint32>(datagram.size()))
        return;
    const QJsonObject request = QJsonDocument::fromJson(datagram.mid(kHeaderSize)).object();
    if (!options.quiet) {
        SimEvents::print("request",
                         {{QStringLiteral("method"), request.value("method")},
                          {QStringLiteral("id"), request.value("id")},
                          {QStringLiteral("raw"), QString::fromLatin1(datagram.toHex())}});
    }
    if (request.value(QStringLiteral("srcid")).toString().isEmpty())
        return;
    if (flood->isActive() && request.value(QStringLiteral("method")) == QLatin1String("search"))
        flood->answer(request.value(QStringLiteral("id")).toInt(),
                      request.value(QStringLiteral("srcid")).toString());
    for (SimDevice &device : devices) {
        if (addressed(request, device.srcId()))
            answer(device, request);
    }
}

// The camera acts on the request at once and answers after its delay: search replies
// spread over the configured window, as a crowd of real cameras does.
void SimProtocol::answer(SimDevice &device, const QJsonObject &request)
{
    if (options.misbehaves(device.index(), "silent") || device.isRestarting())
        return;
    const QJsonObject reply = replyFor(device, request);
    const bool search = request.value(QStringLiteral("method")) == QLatin1String("search");
    const int delay =
        search ? QRandomGenerator::global()->bounded(options.delayMinMs, options.delayMaxMs + 1)
               : options.replyDelayMs;
    const int copies = options.misbehaves(device.index(), "twice") ? 2 : 1;
    const int index = device.index();
    QTimer::singleShot(delay, Qt::PreciseTimer, this, [this, index, reply, copies]() {
        sendBadReplies(devices[index], reply);
        for (int i = 0; i < copies; ++i)
            send(index, reply);
        if (!options.quiet) {
            SimEvents::print("reply", {{QStringLiteral("method"), reply.value("method")},
                                       {QStringLiteral("id"), reply.value("id")},
                                       {QStringLiteral("srcid"), devices[index].srcId()},
                                       {QStringLiteral("ip"), devices[index].ip()}});
        }
    });
}

QJsonObject SimProtocol::replyFor(SimDevice &device, const QJsonObject &request)
{
    // A failing camera still shows up in a search; only its settings fail.
    const bool search = request.value(QStringLiteral("method")) == QLatin1String("search");
    QJsonObject reply;
    if (options.misbehaves(device.index(), "fail") && !search)
        reply = {{QStringLiteral("result"), QStringLiteral("failure")}};
    else
        reply = device.handle(request);
    reply.insert(QStringLiteral("destid"), request.value(QStringLiteral("srcid")));
    reply.insert(QStringLiteral("id"), request.value(QStringLiteral("id")));
    reply.insert(QStringLiteral("method"), request.value(QStringLiteral("method")));
    reply.insert(QStringLiteral("srcid"), device.srcId());
    return reply;
}

// Each bad reply says "failure" and, for a search, names a MAC no camera has: a program
// that took one would show a wrong result or an extra device.
void SimProtocol::sendBadReplies(const SimDevice &device, const QJsonObject &reply)
{
    QJsonObject bad = reply;
    bad.insert(QStringLiteral("result"), QStringLiteral("failure"));
    const bool search = reply.value(QStringLiteral("method")) == QLatin1String("search");
    const auto variant = [&](const char *kind) {
        QJsonObject copy = bad;
        if (search)
            copy.insert(QStringLiteral("mac"), QStringLiteral("BAD-") + QLatin1String(kind));
        return copy;
    };
    const int index = device.index();
    const QString destId = reply.value(QStringLiteral("destid")).toString();
    if (options.misbehaves(index, "wrong-id")) {
        QJsonObject copy = variant("wrong-id");
        copy.insert(QStringLiteral("id"), reply.value(QStringLiteral("id")).toInt() + 1000);
        send(index, copy);
    }
    if (options.misbehaves(index, "wrong-destid")) {
        QJsonObject copy = variant("wrong-destid");
        copy.insert(QStringLiteral("destid"), QStringLiteral("FFFFFFFFFFFF"));
        send(index, copy);
    }
    if (options.misbehaves(index, "lower-destid")) {
        QJsonObject copy = variant("lower-destid");
        copy.insert(QStringLiteral("destid"), destId.toLower());
        send(index, copy);
    }
    if (options.misbehaves(index, "bad-length"))
        send(index, variant("bad-length"), -1);
    if (options.misbehaves(index, "bad-json"))
        transmit(index, frame(compact(variant("bad-json")).chopped(1), 0));
    if (options.misbehaves(index, "oversize")) {
        QJsonObject copy = variant("oversize");
        copy.insert(QStringLiteral("padding"), QString(kOversize, QLatin1Char('x')));
        send(index, copy);
    }
}

void SimProtocol::send(int deviceIndex, const QJsonObject &reply, int lengthError)
{
    transmit(deviceIndex, frame(compact(reply), lengthError));
}

// A burst of a thousand replies can fill the socket buffer for a moment.
void SimProtocol::transmit(int deviceIndex, const QByteArray &datagram)
{
    QUdpSocket *own = replySockets[static_cast<size_t>(deviceIndex)].get();
    QUdpSocket &sender = own ? *own : socket;
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (sender.writeDatagram(datagram, kGroup, kReplyPort) == datagram.size())
            return;
        QThread::usleep(200);
    }
    std::fprintf(stderr, "velto-sim: reply lost: %s\n", qPrintable(sender.errorString()));
}
