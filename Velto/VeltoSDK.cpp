#include "Velto/VeltoSDK.h"

#include "JXUtils/JXHttpUtils.h"
#include "JXUtils/JXThread.h"
#include "Velto/VeltoDatagram.h"
#include "Velto/VeltoSDKRecvThread.h"
#include "Velto/VeltoSDKSendThread.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

#include <mutex>

std::atomic<VeltoSDK *> VeltoSDK::sdk{nullptr};

namespace {
// A search pauses this long whenever no reply is queued.
const int kSearchPollMs = 10;
// The request's "user" identifies the program to the devices.
const char kSearchUser[] = "Windows LanKit";
const char kAllDevices[] = "all";

QString latin1(const char *name)
{
    return QString::fromLatin1(name);
}

QStringList srcIdsOf(const QVector<VeltoDevice> &devices)
{
    QStringList ids;
    for (const VeltoDevice &device : devices)
        ids.append(device.srcId());
    return ids;
}

void deleteAll(QList<QJsonObject *> &queue)
{
    qDeleteAll(queue);
    queue.clear();
}
} // namespace

// ---- singleton ------------------------------------------------------------------------

VeltoSDK *VeltoSDK::instance()
{
    return sdk.load();
}

void VeltoSDK::createInstance()
{
    destroyInstance();
    sdk.store(new VeltoSDK);
}

void VeltoSDK::destroyInstance()
{
    VeltoSDK *old = sdk.exchange(nullptr);
    delete old;
}

VeltoSDK::~VeltoSDK()
{
    stopThreads();
    deleteAll(sendQueue);
    deleteAll(receiveQueue);
}

// ---- transport ------------------------------------------------------------------------

void VeltoSDK::start(const QNetworkInterface &iface, const QNetworkAddressEntry &entry)
{
    stopThreads();
    useNetwork(iface, entry);
    sendThread = new VeltoSDKSendThread(this);
    sendThread->setName("VeltoSDKSendThread");
    sendThread->start();
    recvThread = new VeltoSDKRecvThread(this);
    recvThread->setName("VeltoSDKRecvThread");
    recvThread->start();
}

void VeltoSDK::useNetwork(const QNetworkInterface &iface, const QNetworkAddressEntry &entry)
{
    nextId.store(0);
    this->iface = iface;
    this->entry = entry;
}

void VeltoSDK::stopThreads()
{
    // Each thread's stop() also shuts its socket, which wakes a blocked receive.
    JXThread::halt(recvThread);
    JXThread::halt(sendThread);
}

int VeltoSDK::currentNetwork(QNetworkInterface &iface, QNetworkAddressEntry &entry) const
{
    iface = this->iface;
    entry = this->entry;
    return 0;
}

QString VeltoSDK::srcId() const
{
    return iface.hardwareAddress().remove(QLatin1Char(':'));
}

QByteArray VeltoSDK::localAddress() const
{
    return entry.ip().toString().toLatin1();
}

QJsonObject *VeltoSDK::takeRequest()
{
    std::lock_guard<JXThreadLocker> guard(sendLock);
    return sendQueue.isEmpty() ? nullptr : sendQueue.takeFirst();
}

void VeltoSDK::queueReply(const char *datagram, int size)
{
    if (!VeltoDatagram::hasValidLength(datagram, size))
        return;
    const QString own = srcId();
    std::lock_guard<JXThreadLocker> guard(receiveLock);
    auto *message = new QJsonObject(VeltoDatagram::message(datagram, size));
    if (VeltoDatagram::isAddressedTo(*message, own)) {
        receiveQueue.append(message);
        const QByteArray json(datagram + VeltoDatagram::kHeaderSize,
                              size - VeltoDatagram::kHeaderSize);
        qDebug("recv %s", json.constData());
    } else {
        delete message;
    }
}

int VeltoSDK::takeId()
{
    return nextId.fetch_add(1);
}

void VeltoSDK::enqueue(QJsonObject *message)
{
    std::lock_guard<JXThreadLocker> guard(sendLock);
    sendQueue.append(message);
}

QJsonObject *VeltoSDK::takeReply()
{
    std::lock_guard<JXThreadLocker> guard(receiveLock);
    return receiveQueue.isEmpty() ? nullptr : receiveQueue.takeFirst();
}

// ---- waits ----------------------------------------------------------------------------

// Polls without pausing: a setting command's reply is taken the moment it is queued.
QJsonObject *VeltoSDK::waitReply(int id, double seconds)
{
    const bool limited = seconds > 0;
    const double deadline = JXThread::monotonic() + seconds;
    waiting.store(true);
    double now = JXThread::monotonic();
    while (waiting.load()) {
        if (limited && now > deadline)
            break;
        QJsonObject *reply = takeReply();
        if (reply) {
            if (replyId(*reply) == id)
                return reply;
            delete reply;
        }
        now = JXThread::monotonic();
    }
    return nullptr;
}

void VeltoSDK::searchDevices(QVector<VeltoDevice> &out, double seconds)
{
    out.clear();
    const int id = takeId();
    enqueue(buildSearchMessage(id));
    const bool limited = seconds > 0;
    const double deadline = JXThread::monotonic() + seconds;
    waiting.store(true);
    while (waiting.load()) {
        if (limited && JXThread::monotonic() > deadline)
            break;
        QJsonObject *reply = takeReply();
        if (!reply) {
            JXThread::msleep(kSearchPollMs);
            continue;
        }
        if (replyId(*reply) == id)
            addSearchReply(out, *reply);
        delete reply;
    }
}

void VeltoSDK::addSearchReply(QVector<VeltoDevice> &out, const QJsonObject &reply) const
{
    VeltoDevice device;
    device.fromJson(reply);
    if (device.hasMac() && !VeltoDevice::containsMac(out, device))
        out.append(device);
}

void VeltoSDK::cancelWait()
{
    waiting.store(false);
}

int VeltoSDK::request(QJsonObject *message, int id, double seconds)
{
    enqueue(message);
    QJsonObject *reply = waitReply(id, seconds);
    if (!reply)
        return -1;
    const int result = replyResult(*reply);
    delete reply;
    return result;
}

// ---- commands -------------------------------------------------------------------------

int VeltoSDK::setDeviceIp(const VeltoDevice &device, const QString &ip, const QString &netmask,
                          const QString &gateway, const QString &dns1, const QString &dns2)
{
    const int id = takeId();
    return request(buildIpMessage(device, id, ip, netmask, gateway, dns1, dns2), id, kReplySeconds);
}

int VeltoSDK::setDevicesDhcp(const QVector<VeltoDevice> &devices)
{
    const int id = takeId();
    return request(
        buildDevicesMessage(devices, id, latin1("SetIp"), latin1("IpMode"), latin1("dhcp")), id,
        kReplySeconds);
}

int VeltoSDK::setDeviceMac(const VeltoDevice &device, const QString &mac)
{
    const int id = takeId();
    return request(buildDeviceMessage(device, id, latin1("SetMac"), latin1("mac"), mac), id,
                   kReplySeconds);
}

int VeltoSDK::setDevicesName(const QVector<VeltoDevice> &devices, const QString &name)
{
    const int id = takeId();
    return request(buildDevicesMessage(devices, id, latin1("SetName"), latin1("name"), name), id,
                   kReplySeconds);
}

int VeltoSDK::setDevicesP2pId(const QVector<VeltoDevice> &devices, const QString &p2pid)
{
    const int id = takeId();
    return request(buildDevicesMessage(devices, id, latin1("SetP2p"), latin1("p2pid"), p2pid), id,
                   kReplySeconds);
}

int VeltoSDK::setDevicesFunctionId(const QVector<VeltoDevice> &devices, const QString &functions)
{
    const int id = takeId();
    return request(
        buildDevicesMessage(devices, id, latin1("SetHdCuFun"), latin1("HdCuFun"), functions), id,
        kReplySeconds);
}

// "keepnetwork" "0": the devices also return to their factory network settings.
int VeltoSDK::resetDevices(const QVector<VeltoDevice> &devices)
{
    const int id = takeId();
    return request(buildDevicesMessage(devices, id, latin1("ResetDefault"), latin1("keepnetwork"),
                                       latin1("0")),
                   id, kReplySeconds);
}

int VeltoSDK::setDevicesPtz(const QVector<VeltoDevice> &devices, const QString &command)
{
    const int id = takeId();
    return request(buildDevicesMessage(devices, id, latin1("SetPTZ"), latin1("command"), command),
                   id, kReplySeconds);
}

int VeltoSDK::scanDeviceWifi(const VeltoDevice &device, QVector<VeltoDeviceWiFiInfo> &out)
{
    const int id = takeId();
    enqueue(buildDeviceMessage(device, id, latin1("WifiScan")));
    QJsonObject *reply = waitReply(id, kWifiScanSeconds);
    if (!reply)
        return -1;
    const QJsonArray list = reply->value(QLatin1String("WifiList")).toArray();
    for (const QJsonValue &item : list) {
        const QJsonObject network = item.toObject();
        VeltoDeviceWiFiInfo info;
        info.name = network.value(QLatin1String("wifiname")).toString();
        info.signal = network.value(QLatin1String("Signal")).toInt();
        if (!info.name.isEmpty())
            out.append(info);
    }
    const int result = replyResult(*reply);
    delete reply;
    return result;
}

int VeltoSDK::getDeviceSdCard(const VeltoDevice &device, int &total, int &free)
{
    const int id = takeId();
    enqueue(buildDeviceMessage(device, id, latin1("GetSD")));
    QJsonObject *reply = waitReply(id, kReplySeconds);
    if (!reply)
        return -1;
    total = intField(*reply, latin1("totalsize"));
    free = intField(*reply, latin1("freesize"));
    delete reply;
    return total > 0 ? 0 : -1;
}

int VeltoSDK::setDeviceIrCut(const VeltoDevice &device, const QString &value)
{
    const int id = takeId();
    enqueue(buildDeviceMessage(device, id, latin1("SetIRcut"), latin1("ircut"), value));
    return id;
}

int VeltoSDK::testDeviceMicrophone(const VeltoDevice &device)
{
    const int id = takeId();
    enqueue(buildDeviceMessage(device, id, latin1("testMicrophone")));
    return id;
}

int VeltoSDK::setDeviceColor(const VeltoDevice &device, bool on)
{
    const int id = takeId();
    const QString value = on ? latin1("on") : latin1("off");
    enqueue(buildDeviceMessage(device, id, latin1("SetColor"), latin1("color"), value));
    return id;
}

// ---- firmware -------------------------------------------------------------------------

int VeltoSDK::setDeviceFirmware(const VeltoDevice &device, const QString &file,
                                const UploadProgress &progress)
{
    const QString url = QStringLiteral("http://%1:%2/update.cgi")
                            .arg(device.ip())
                            .arg(device.intValue(QStringLiteral("httpport")));
    JXHttpUtils http;
    if (progress)
        QObject::connect(&http, &JXHttpUtils::uploadProgress, progress);
    setCurrentUpload(&http);
    const QByteArray body = http.upload(url, file);
    setCurrentUpload(nullptr);

    qDebug("response %s", body.constData());
    const QJsonDocument answer = QJsonDocument::fromJson(body);
    if (!answer.isObject())
        return -3;
    return answer.object().value(QLatin1String("Result")).toInt();
}

void VeltoSDK::cancelUpload()
{
    std::lock_guard<JXThreadLocker> guard(uploadLock);
    if (currentUpload)
        currentUpload->cancel();
}

void VeltoSDK::setCurrentUpload(JXHttpUtils *upload)
{
    std::lock_guard<JXThreadLocker> guard(uploadLock);
    currentUpload = upload;
}

// ---- replies --------------------------------------------------------------------------

int VeltoSDK::replyResult(const QJsonObject &reply)
{
    const QString result = reply.value(QLatin1String("result")).toString();
    return result.compare(QLatin1String("success"), Qt::CaseInsensitive) == 0 ? 0 : -1;
}

int VeltoSDK::replyId(const QJsonObject &reply)
{
    return intField(reply, latin1("id"));
}

int VeltoSDK::intField(const QJsonObject &object, const QString &name)
{
    const QJsonValue value = object.value(name);
    if (value.isDouble())
        return value.toInt();
    if (value.isBool())
        return value.toBool() ? 1 : 0;
    if (value.isString()) {
        bool ok = false;
        const int number = value.toString().toInt(&ok, 10);
        return ok ? number : 0;
    }
    return 0;
}

// ---- message builders -----------------------------------------------------------------

QJsonObject *VeltoSDK::buildMessage(int id, const QString &method,
                                    const QStringList &destinations) const
{
    auto *message = new QJsonObject;
    message->insert(latin1("id"), id);
    message->insert(latin1("method"), method);
    message->insert(latin1("srcid"), srcId());
    message->insert(latin1("destarray"), QJsonArray::fromStringList(destinations));
    return message;
}

QJsonObject *VeltoSDK::buildSearchMessage(int id) const
{
    QJsonObject *message = buildMessage(id, latin1("search"), QStringList(latin1(kAllDevices)));
    message->insert(latin1("user"), latin1(kSearchUser));
    return message;
}

QJsonObject *VeltoSDK::buildDeviceMessage(const VeltoDevice &device, int id, const QString &method,
                                          const QString &key, const QString &value) const
{
    QJsonObject *message = buildMessage(id, method, QStringList(device.srcId()));
    if (!key.isEmpty() && !value.isEmpty())
        message->insert(key, value);
    return message;
}

QJsonObject *VeltoSDK::buildDevicesMessage(const QVector<VeltoDevice> &devices, int id,
                                           const QString &method, const QString &key,
                                           const QString &value) const
{
    QJsonObject *message = buildMessage(id, method, srcIdsOf(devices));
    message->insert(key, value);
    return message;
}

QJsonObject *VeltoSDK::buildIpMessage(const VeltoDevice &device, int id, const QString &ip,
                                      const QString &netmask, const QString &gateway,
                                      const QString &dns1, const QString &dns2) const
{
    QJsonObject *message = buildMessage(id, latin1("SetIp"), QStringList(device.srcId()));
    message->insert(latin1("IpMode"), latin1("static"));
    message->insert(latin1("ip"), ip);
    message->insert(latin1("gateway"), gateway);
    message->insert(latin1("netmask"), netmask);
    message->insert(latin1("dns1"), dns1);
    message->insert(latin1("dns2"), dns2);
    return message;
}
