#include "Velto/VeltoSDK.h"

#include "JXUtils/JXThread.h"
#include "Velto/VeltoDatagram.h"
#include "Velto/VeltoNetwork.h"
#include "Velto/VeltoSDKRecvThread.h"
#include "Velto/VeltoSDKSendThread.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QScopeGuard>
#include <QStringList>

#include <mutex>
#include <utility>

std::atomic<VeltoSDK *> VeltoSDK::sdk{nullptr};

namespace {
// A search pauses this long whenever no reply is queued.
const int kSearchPollMs = 10;
// Replies a search takes at a time: small enough that it ends on time in a flood.
const int kSearchBatch = 512;
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

// Per thread: each dialog's worker asks about its own last command.
thread_local bool lastAnswered = false;

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
    deleteAll(receiveQueue);
}

// ---- transport ------------------------------------------------------------------------

void VeltoSDK::start(const QNetworkInterface &iface, const QNetworkAddressEntry &entry)
{
    stopThreads();
    clearQueues();
    useNetwork(iface, entry);
    JXThread::launch(sendThread, new VeltoSDKSendThread(this));
    JXThread::launch(recvThread, new VeltoSDKRecvThread(this));
}

void VeltoSDK::useNetwork(const QNetworkInterface &iface, const QNetworkAddressEntry &entry)
{
    nextId.store(0);
    this->iface = iface;
    this->entry = entry;
    arrivalIndex.store(iface.index());
    troubledThreads.store(0);
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

int VeltoSDK::interfaceIndex() const
{
    return arrivalIndex.load();
}

// Looked up by name: the index of a link that was deleted and made again has changed.
VeltoSDK::NetworkState VeltoSDK::networkState() const
{
    if (!iface.isValid())
        return NetworkNotChosen;
    const QNetworkInterface now = QNetworkInterface::interfaceFromName(iface.name());
    if (!now.isValid())
        return NetworkGone;
    if (!isUpAndRunning(now))
        return NetworkDown;
    const QList<QNetworkAddressEntry> entries = now.addressEntries();
    for (const QNetworkAddressEntry &held : entries) {
        if (held.ip() == entry.ip())
            return NetworkReachable;
    }
    return NetworkAddressLost;
}

QString VeltoSDK::networkStateText(NetworkState state) const
{
    const QString name = iface.name();
    const QString address = entry.ip().toString();
    switch (state) {
    case NetworkReachable:
        return QStringLiteral("%1 %2 is reachable").arg(name, address);
    case NetworkNotChosen:
        return QStringLiteral("no network interface is chosen");
    case NetworkGone:
        return QStringLiteral("interface %1 is gone").arg(name);
    case NetworkDown:
        return QStringLiteral("interface %1 is down").arg(name);
    case NetworkAddressLost:
        return QStringLiteral("interface %1 no longer holds %2").arg(name, address);
    }
    return QString();
}

void VeltoSDK::setReceiving(bool open)
{
    if (open) {
        const int now = QNetworkInterface::interfaceIndexFromName(iface.name());
        if (now > 0)
            arrivalIndex.store(now);
    }
    receiving.store(open);
    if (open)
        requests.wake();
}

void VeltoSDK::networkTroubleBegins(const QByteArray &why)
{
    if (troubledThreads.fetch_add(1) == 0)
        qDebug("network trouble: %s; retrying every second", why.constData());
}

void VeltoSDK::networkTroubleEnds()
{
    if (troubledThreads.fetch_sub(1) == 1)
        qDebug("network back: %s", qUtf8Printable(networkStateText(networkState())));
}

bool VeltoSDK::isReceiving() const
{
    return receiving.load();
}

void VeltoSDK::clearQueues()
{
    requests.clear();
    std::lock_guard<JXThreadLocker> guard(receiveLock);
    deleteAll(receiveQueue);
}

// The parse runs outside the lock, so that a wait draining the queue never waits for it.
void VeltoSDK::queueReply(const char *datagram, int size)
{
    if (!VeltoDatagram::hasValidLength(datagram, size))
        return;
    QJsonObject message = VeltoDatagram::message(datagram, size);
    if (!VeltoDatagram::isAddressedTo(message, srcId()))
        return;
    {
        std::lock_guard<JXThreadLocker> guard(receiveLock);
        if (!awaitedIds.contains(replyId(message)) || receiveQueue.size() >= kMaxQueuedReplies)
            return;
        receiveQueue.append(new QJsonObject(std::move(message)));
    }
    logReply(datagram + VeltoDatagram::kHeaderSize, size - VeltoDatagram::kHeaderSize);
}

// A flood of replies must neither fill the disk nor slow the receive thread down with
// flushed log lines, and a peer's bytes must not forge lines or reach a terminal raw.
void VeltoSDK::logReply(const char *json, int size)
{
    const int skipped = replyLog.takeSkipped();
    if (skipped > 0)
        qDebug("recv: %d more replies not logged", skipped);
    if (replyLog.admit())
        qDebug("recv %s", VeltoDatagram::loggable(QByteArray::fromRawData(json, size)).constData());
}

int VeltoSDK::takeId()
{
    return nextId.fetch_add(1);
}

void VeltoSDK::enqueueAwaited(QJsonObject *message, int id)
{
    expectReply(id);
    enqueue(message);
}

void VeltoSDK::expectReply(int id)
{
    std::lock_guard<JXThreadLocker> guard(receiveLock);
    awaitedIds.insert(id);
}

void VeltoSDK::forgetReply(int id)
{
    std::lock_guard<JXThreadLocker> guard(receiveLock);
    awaitedIds.remove(id);
}

QJsonObject *VeltoSDK::takeReply()
{
    std::lock_guard<JXThreadLocker> guard(receiveLock);
    return receiveQueue.isEmpty() ? nullptr : receiveQueue.takeFirst();
}

QList<QJsonObject *> VeltoSDK::takeReplies(int count)
{
    QList<QJsonObject *> replies;
    std::lock_guard<JXThreadLocker> guard(receiveLock);
    if (receiveQueue.size() <= count) {
        replies.swap(receiveQueue);
    } else {
        replies = receiveQueue.mid(0, count);
        receiveQueue.erase(receiveQueue.begin(), receiveQueue.begin() + count);
    }
    return replies;
}

// ---- waits ----------------------------------------------------------------------------

// Polls without pausing: a setting command's reply is taken the moment it is queued.
QJsonObject *VeltoSDK::waitReply(int id, double seconds)
{
    expectReply(id);
    const auto forget = qScopeGuard([this, id]() { forgetReply(id); });
    const bool limited = seconds > 0;
    const double deadline = JXThread::monotonic() + seconds;
    beginWait();
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

// Replies are taken many at a time and checked against a hash of the MACs listed,
// so that a burst of thousands is drained as fast as it arrives.
void VeltoSDK::searchDevices(QVector<VeltoDevice> &out, double seconds)
{
    out.clear();
    QSet<QString> seen;
    const int id = takeId();
    enqueueAwaited(buildSearchMessage(id), id);
    const auto forget = qScopeGuard([this, id]() { forgetReply(id); });
    const bool limited = seconds > 0;
    const double deadline = JXThread::monotonic() + seconds;
    beginWait();
    while (waiting.load()) {
        if (limited && JXThread::monotonic() > deadline)
            break;
        const QList<QJsonObject *> replies = takeReplies(kSearchBatch);
        if (replies.isEmpty()) {
            JXThread::msleep(kSearchPollMs);
            continue;
        }
        for (QJsonObject *reply : replies) {
            if (replyId(*reply) == id)
                addSearchReply(out, seen, *reply);
            delete reply;
        }
    }
}

void VeltoSDK::addSearchReply(QVector<VeltoDevice> &out, QSet<QString> &seen,
                              const QJsonObject &reply) const
{
    const QJsonValue mac = reply.value(QLatin1String("mac"));
    const QString text = mac.isString() ? mac.toString() : QString();
    if (text.isEmpty() || seen.contains(text))
        return;
    seen.insert(text);
    out.append(VeltoDevice());
    out.last().fromJson(reply);
}

void VeltoSDK::cancelWait()
{
    std::lock_guard<JXThreadLocker> guard(cancelLock);
    waiting.store(false);
}

// A dialog asks its worker to stop before it cancels, so under cancelLock either this
// sees the stop or the dialog's cancelWait() comes after waiting is set.
void VeltoSDK::beginWait()
{
    std::lock_guard<JXThreadLocker> guard(cancelLock);
    waiting.store(!JXThread::currentStopRequested());
}

int VeltoSDK::request(QJsonObject *message, int id, double seconds)
{
    enqueueAwaited(message, id);
    QJsonObject *reply = waitReply(id, seconds);
    lastAnswered = reply != nullptr;
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
    enqueueAwaited(buildDeviceMessage(device, id, latin1("WifiScan")), id);
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
    enqueueAwaited(buildDeviceMessage(device, id, latin1("GetSD")), id);
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

// ---- replies --------------------------------------------------------------------------

bool VeltoSDK::lastRequestAnswered()
{
    return lastAnswered;
}

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
