#pragma once

#include "JXUtils/JXThreadLocker.h"
#include "Velto/VeltoDevice.h"
#include "Velto/VeltoDeviceWiFiInfo.h"
#include "Velto/VeltoFirmwareUpload.h"
#include "Velto/VeltoLogLimiter.h"
#include "Velto/VeltoSendQueue.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QNetworkAddressEntry>
#include <QNetworkInterface>
#include <QSet>
#include <QString>
#include <QVector>

#include <atomic>
#include <functional>

class VeltoSDKRecvThread;
class VeltoSDKSendThread;

// The program's single access point to the cameras. Each operation becomes one JSON
// request on the send queue; most then block the calling worker thread until the reply
// with the request's id arrives on the receive queue, or a time-out passes. Operations
// run on dialog worker threads, never on the GUI thread; cancelWait() and cancelUpload()
// are meant for the GUI thread. Results: 0 success, -1 failure or time-out.
class VeltoSDK
{
public:
    using UploadProgress = VeltoFirmwareUpload::Progress;

    // Wait of every setting command and of "GetSD".
    static constexpr double kReplySeconds = 3.0;
    // Wait of "WifiScan".
    static constexpr double kWifiScanSeconds = 10.0;

    static VeltoSDK *instance();
    // Replaces any existing instance with a fresh one (threads not started, id 0).
    static void createInstance();
    // Stops and joins the receive thread, then the send thread, and frees the instance.
    static void destroyInstance();

    // Replies queued at most; a reply beyond them is dropped.
    static constexpr int kMaxQueuedReplies = 16384;

    // Runs the protocol threads on iface/entry; request ids restart at 0 and both queues
    // start empty, so nothing of the previous network reaches the new one.
    void start(const QNetworkInterface &iface, const QNetworkAddressEntry &entry);
    // Stops and joins the receive thread, then the send thread. Queued messages stay.
    void stopThreads();
    int currentNetwork(QNetworkInterface &iface, QNetworkAddressEntry &entry) const;

    // What became of the chosen network since start(), as the system reports it now.
    enum NetworkState
    {
        NetworkReachable,  // the interface is there, up and running, and holds the address
        NetworkNotChosen,  // start() was given no interface
        NetworkGone,       // no interface of that name any more
        NetworkDown,       // the interface is not up and running
        NetworkAddressLost // the interface no longer holds the chosen address
    };
    // Any thread.
    NetworkState networkState() const;
    bool isNetworkReachable() const { return networkState() == NetworkReachable; }
    // The state in words for the log, naming the interface and address.
    QString networkStateText(NetworkState state) const;

    // Lists every device answering within seconds (until cancelWait() when not positive),
    // once per MAC, in order of first reply.
    void searchDevices(QVector<VeltoDevice> &out, double seconds);
    int setDeviceIp(const VeltoDevice &device, const QString &ip, const QString &netmask,
                    const QString &gateway, const QString &dns1, const QString &dns2);
    int setDevicesDhcp(const QVector<VeltoDevice> &devices);
    int setDeviceMac(const VeltoDevice &device, const QString &mac);
    int setDevicesName(const QVector<VeltoDevice> &devices, const QString &name);
    int setDevicesP2pId(const QVector<VeltoDevice> &devices, const QString &p2pid);
    int setDevicesFunctionId(const QVector<VeltoDevice> &devices, const QString &functions);
    int resetDevices(const QVector<VeltoDevice> &devices);
    int setDevicesPtz(const QVector<VeltoDevice> &devices, const QString &command);
    // Appends the networks the device sees (entries with a name only) to out.
    int scanDeviceWifi(const VeltoDevice &device, QVector<VeltoDeviceWiFiInfo> &out);
    // 0 when the device reports a total size above 0; total and free stay as they were
    // when no reply comes.
    int getDeviceSdCard(const VeltoDevice &device, int &total, int &free);
    // These three do not wait; they return the request id.
    int setDeviceIrCut(const VeltoDevice &device, const QString &value);
    int testDeviceMicrophone(const VeltoDevice &device);
    int setDeviceColor(const VeltoDevice &device, bool on);
    // Uploads file to the device's update.cgi; the device's "Result", or one of the results
    // of VeltoFirmwareUpload.
    int setDeviceFirmware(const VeltoDevice &device, const QString &file,
                          const UploadProgress &progress = UploadProgress())
    {
        return firmware.send(device, file, progress);
    }
    // Stall limit of later uploads (JXHttpUtils::kDefaultStallMs unless set).
    void setUploadStallMs(int milliseconds) { firmware.setStallMs(milliseconds); }

    // The reply with this id (owned by the caller), or null after seconds (no limit when
    // not positive) or a cancel. Replies with other ids are discarded.
    QJsonObject *waitReply(int id, double seconds);
    // Ends every reply wait and search in progress at its next check. A wait that starts
    // later on a worker thread whose stop has been asked ends at once as well, so that a
    // dialog closed just before its worker began to wait is not left waiting.
    void cancelWait();
    // Ends the firmware upload in progress. An upload that starts later on a worker thread
    // whose stop has been asked ends at once without sending.
    void cancelUpload() { firmware.cancel(); }

    // Whether the calling thread's last setting command (a command above that waits for
    // its reply and maps it to 0 / -1) got an answer: a -1 with an answer is a refusal,
    // without one a device that did not answer in time.
    static bool lastRequestAnswered();

    // 0 when "result" is "success" in any letter case, else -1.
    static int replyResult(const QJsonObject &reply);
    static int replyId(const QJsonObject &reply);
    // A JSON number, a string holding a decimal number, or a boolean (1/0); else 0.
    static int intField(const QJsonObject &object, const QString &key);

    // For the protocol threads.
    // The program's own address: the interface's hardware address without colons.
    QString srcId() const;
    // Text of the chosen IPv4 address.
    QByteArray localAddress() const;
    // Index of the chosen interface; only datagrams that arrived on it are replies.
    int interfaceIndex() const;
    // Set by the receive thread while its socket is bound and joined; the send thread
    // sends only then.
    void setReceiving(bool open);
    bool isReceiving() const;
    // The socket threads report the trouble they meet here, so that both failing for one
    // cause write one line: the first thread in trouble logs why, the last one out logs the
    // return. Each thread calls each once per stretch of trouble.
    void networkTroubleBegins(const QByteArray &why);
    void networkTroubleEnds();
    // The oldest queued request (owned by the caller), or null.
    QJsonObject *takeRequest() { return requests.take(); }
    // The send thread's wait: the oldest queued request (owned by the caller) once the
    // receive side is ready, or null after timeoutMs or as soon as stopped() holds. A new
    // request, the receive side getting ready and wakeSender() end the wait at once.
    QJsonObject *waitForRequest(int timeoutMs, const std::function<bool()> &stopped)
    {
        return requests.waitFor(
            timeoutMs, [this] { return receiving.load(); }, stopped);
    }
    // Ends the send thread's wait, so that it sees its stop flag.
    void wakeSender() { requests.wake(); }
    // Queues the message of a received datagram of size bytes (size may exceed the bytes
    // held, for a datagram that did not fit) when it is well formed, addressed to us and
    // answers a request that is awaited, while fewer than kMaxQueuedReplies are queued.
    // Called by the receive thread only.
    void queueReply(const char *datagram, int size);

private:
    friend class VeltoSDKTestAccess;

    VeltoSDK() = default;
    ~VeltoSDK();
    VeltoSDK(const VeltoSDK &) = delete;
    VeltoSDK &operator=(const VeltoSDK &) = delete;

    // Selects the network without starting threads: what start() does first.
    void useNetwork(const QNetworkInterface &iface, const QNetworkAddressEntry &entry);
    int takeId();
    void enqueue(QJsonObject *message) { requests.append(message); }
    // Marks id as awaited, then queues message: a reply cannot come before it is awaited.
    void enqueueAwaited(QJsonObject *message, int id);
    void expectReply(int id);
    void forgetReply(int id);
    QJsonObject *takeReply();
    // Up to count of the oldest queued replies (owned by the caller), oldest first.
    QList<QJsonObject *> takeReplies(int count);
    void clearQueues();
    void logReply(const char *json, int size);
    // Enqueues message, waits for its reply and maps it to 0 / -1.
    int request(QJsonObject *message, int id, double seconds);
    // Appends the reply's device unless its MAC is in seen, which holds every MAC of out.
    void addSearchReply(QVector<VeltoDevice> &out, QSet<QString> &seen,
                        const QJsonObject &reply) const;
    // Sets waiting for a new wait unless the calling worker's stop has been asked.
    void beginWait();

    QJsonObject *buildSearchMessage(int id) const;
    QJsonObject *buildDeviceMessage(const VeltoDevice &device, int id, const QString &method,
                                    const QString &key = QString(),
                                    const QString &value = QString()) const;
    QJsonObject *buildDevicesMessage(const QVector<VeltoDevice> &devices, int id,
                                     const QString &method, const QString &key,
                                     const QString &value) const;
    QJsonObject *buildIpMessage(const VeltoDevice &device, int id, const QString &ip,
                                const QString &netmask, const QString &gateway, const QString &dns1,
                                const QString &dns2) const;
    QJsonObject *buildMessage(int id, const QString &method, const QStringList &destinations) const;

    std::atomic<int> nextId{0};       // request ids; read and incremented in one step
    std::atomic<bool> waiting{false}; // the one flag every wait polls; cancelWait() clears it
    JXThreadLocker cancelLock;        // serialises a wait's start with cancelWait()
    VeltoFirmwareUpload firmware;     // the upload in progress and the stall limit

    // Written by start() (GUI thread) while no protocol thread runs; read by all.
    QNetworkInterface iface;
    QNetworkAddressEntry entry;

    VeltoSendQueue requests;    // requests for the send thread; locks on its own
    JXThreadLocker receiveLock; // guards receiveQueue
    // Owned objects; receiveLock, held by the receive thread for one datagram's parse and
    // append and by a wait for one list operation.
    QList<QJsonObject *> receiveQueue;
    QSet<int> awaitedIds; // ids of requests whose reply a wait or search takes; receiveLock
    std::atomic<bool> receiving{false}; // the receive socket is bound and joined
    // Index of the chosen interface as it is now: a link deleted and made again under its
    // name gets a new one. Set by start(), refreshed by the receive thread when it opens.
    std::atomic<int> arrivalIndex{0};
    // Socket threads in trouble; reset by start() while no protocol thread runs.
    std::atomic<int> troubledThreads{0};
    VeltoLogLimiter replyLog; // paces the "recv" lines; receive thread only

    VeltoSDKSendThread *sendThread = nullptr; // owned; started and stopped on the GUI thread
    VeltoSDKRecvThread *recvThread = nullptr; // owned; started and stopped on the GUI thread

    static std::atomic<VeltoSDK *> sdk; // the instance; created and destroyed on the GUI thread
};
