#pragma once

#include "Velto/VeltoDatagram.h"
#include "Velto/VeltoSDKSocketThread.h"

// Receives the devices' replies and hands each datagram to VeltoSDK, which queues those
// addressed to the program.
class VeltoSDKRecvThread : public VeltoSDKSocketThread
{
public:
    // Devices answer to this port.
    static constexpr quint16 kReplyPort = 5999;
    // Kernel buffer for a burst of search replies: some 30,000 of them, so that a crowd or
    // a flood answering faster than they are parsed for a while is not dropped, and the
    // real devices amid a flood are not lost with it.
    static constexpr int kSocketBufferBytes = 32 * 1024 * 1024;

    explicit VeltoSDKRecvThread(VeltoSDK *sdk);

    // Opens the socket on port 5999 of the chosen address; the socket or -1.
    int startRecv() { return openSocket(); }
    void stopRecv() { closeSocket(); }

private:
    int bindSocket(int fd) override;
    int configureSocket(int fd) override;
    // Lets the send thread go ahead once replies can be received.
    void socketChanged(bool open) override;
    // Blocks for one datagram and passes it on when it arrived on the chosen interface;
    // false when the socket failed.
    bool serve() override;

    char buffer[VeltoDatagram::kMaxSize]; // body thread only
};
