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

    // Also ends the body's wait for a request.
    void stop() override;

    // Opens the socket on the chosen address (any free port); the socket or -1.
    int startSend() { return openSocket(); }
    void stopSend() { closeSocket(); }

private:
    // Sends the oldest queued request, or waits for one; a stop ends the wait.
    bool serve() override;
    int bindSocket(int fd) override;
    int configureSocket(int fd) override;
    // Sends and deletes message; false when the socket failed and must be reopened.
    bool send(QJsonObject *message);
};
