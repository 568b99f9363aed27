#pragma once

#include "Velto/VeltoSDKSocketThread.h"

class QJsonObject;

// Multicasts the requests of VeltoSDK's send queue, one datagram each, to the devices.
class VeltoSDKSendThread : public VeltoSDKSocketThread
{
public:
    // Every request goes to the group on this port.
    static constexpr quint16 kDevicePort = 5888;

    explicit VeltoSDKSendThread(VeltoSDK *sdk);

    // Opens the socket on the chosen address (any free port); the socket or -1.
    int startSend() { return openSocket(); }
    void stopSend() { closeSocket(); }

private:
    // Sends the oldest queued request, or waits a moment for one.
    bool serve() override;
    int bindSocket(int fd) override;
    int configureSocket(int fd) override;
    // Sends and deletes message; false when the socket failed and must be reopened.
    bool send(QJsonObject *message);
};
