// The receive path of the device protocol on arbitrary datagrams: length check, JSON,
// "destid" check, awaited-id check, reply queue, then everything the commands and the search read
// from a reply. The program's srcid is the loopback interface's, 000000000000.
#include "../../velto/VeltoSDKTestAccess.h"

#include "Velto/VeltoDatagram.h"
#include "Velto/VeltoDevice.h"
#include "Velto/VeltoSDK.h"

#include <QJsonArray>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {
void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{}

VeltoSDK *protocol()
{
    static VeltoSDK *sdk = [] {
        qInstallMessageHandler(quiet);
        VeltoSDK::createInstance();
        VeltoSDK *created = VeltoSDK::instance();
        const QNetworkInterface lo = QNetworkInterface::interfaceFromName(QStringLiteral("lo"));
        VeltoSDKTestAccess::useNetwork(created, lo, lo.addressEntries().value(0));
        // Only replies to awaited requests are queued: await the ids the seeds and a
        // session's first requests use, so replies reach everything behind the queue.
        for (int id = 0; id < 256; ++id)
            VeltoSDKTestAccess::expectReply(created, id);
        return created;
    }();
    return sdk;
}

// What the search and the commands read from a reply.
void readReply(const QJsonObject &reply)
{
    VeltoDevice device;
    device.fromJson(reply);
    QVector<VeltoDevice> list;
    if (device.hasMac() && !VeltoDevice::containsMac(list, device))
        list.append(device);
    VeltoDevice::lessByMac(device, device);
    device.appVersion();
    device.intValue(QStringLiteral("httpport"));
    device.supportsPac();
    device.supportsWifi();
    VeltoSDK::replyId(reply);
    VeltoSDK::replyResult(reply);
    VeltoSDK::intField(reply, QStringLiteral("totalsize"));
    VeltoSDK::intField(reply, QStringLiteral("freesize"));
    const QJsonArray networks = reply.value(QStringLiteral("WifiList")).toArray();
    for (const QJsonValue &item : networks) {
        const QJsonObject network = item.toObject();
        network.value(QStringLiteral("wifiname")).toString();
        network.value(QStringLiteral("Signal")).toInt();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4 * VeltoDatagram::kMaxSize)
        return 0;
    VeltoSDK *sdk = protocol();
    // The socket reports an oversized datagram's full size with only the buffer filled.
    const QByteArray held(reinterpret_cast<const char *>(data),
                          static_cast<int>(qMin<size_t>(size, VeltoDatagram::kMaxSize)));
    sdk->queueReply(held.constData(), static_cast<int>(size));
    std::unique_ptr<QJsonObject> reply(VeltoSDKTestAccess::takeReply(sdk));
    if (reply)
        readReply(*reply);
    return 0;
}
