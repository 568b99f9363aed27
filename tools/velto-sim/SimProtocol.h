#pragma once

#include <QHostAddress>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QObject>
#include <QUdpSocket>
#include <QVector>

#include <memory>
#include <vector>

class SimDevice;
class SimFlood;
struct SimOptions;

// The cameras' side of the multicast protocol: requests arrive on port 5888 of the group,
// every addressed camera answers to port 5999 of the group, after its delay and with the
// misbehaviours it was told to show. A camera with an address of its own answers from a
// socket bound to it, so its replies come from its own IP, as a real camera's do.
class SimProtocol : public QObject
{
    Q_OBJECT

public:
    SimProtocol(const SimOptions &options, QVector<SimDevice> &devices,
                const QNetworkInterface &iface);
    ~SimProtocol() override;

    // Binds, joins the group and selects the interface; false after printing why.
    bool open();
    bool openReplySocket(const SimDevice &device);

private:
    void readRequests();
    void handleRequest(const QByteArray &datagram);
    void answer(SimDevice &device, const QJsonObject &request);
    QJsonObject replyFor(SimDevice &device, const QJsonObject &request);
    void sendBadReplies(const SimDevice &device, const QJsonObject &reply);
    void send(int deviceIndex, const QJsonObject &reply, int lengthError = 0);
    void transmit(int deviceIndex, const QByteArray &datagram);

    const SimOptions &options;
    QVector<SimDevice> &devices; // owned by main(); this object changes their settings
    QNetworkInterface iface;
    QUdpSocket socket; // receives requests; replies of cameras without an address of their own
    // Indexed by camera; null where the camera shares the interface's address. Owned here.
    std::vector<std::unique_ptr<QUdpSocket>> replySockets;
    std::unique_ptr<SimFlood> flood; // made by open(); answers searches on its own thread
};
