#pragma once

#include <QHostAddress>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QObject>
#include <QUdpSocket>
#include <QVector>

class SimDevice;
struct SimOptions;

// The cameras' side of the multicast protocol: requests arrive on port 5888 of the group,
// every addressed camera answers to port 5999 of the group, after its delay and with the
// misbehaviours it was told to show.
class SimProtocol : public QObject
{
    Q_OBJECT

public:
    SimProtocol(const SimOptions &options, QVector<SimDevice> &devices,
                const QNetworkInterface &iface);

    // Binds, joins the group and selects the interface; false after printing why.
    bool open();

private:
    void readRequests();
    void handleRequest(const QByteArray &datagram);
    void answer(SimDevice &device, const QJsonObject &request);
    QJsonObject replyFor(SimDevice &device, const QJsonObject &request);
    void sendBadReplies(const SimDevice &device, const QJsonObject &reply);
    void send(const QJsonObject &reply, int lengthError = 0);
    void transmit(const QByteArray &datagram);

    const SimOptions &options;
    QVector<SimDevice> &devices; // owned by main(); this object changes their settings
    QNetworkInterface iface;
    QUdpSocket socket;
};
