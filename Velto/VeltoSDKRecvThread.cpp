#include "Velto/VeltoSDKRecvThread.h"

#include "Velto/VeltoSDK.h"
#include "Velto/VeltoSDKLog.h"
#include "Velto/VeltoSocket.h"

namespace {
// How long a receive waits before the thread looks at the network again.
const int kLookSeconds = VeltoSDKSocketThread::kReopenPauseMs / 1000;
} // namespace

VeltoSDKRecvThread::VeltoSDKRecvThread(VeltoSDK *sdk) : VeltoSDKSocketThread(sdk, kReplyPort)
{
    setName("VeltoSDKRecvThread");
}

int VeltoSDKRecvThread::bindSocket(int fd)
{
    return VeltoSocket::bindReceive(fd, address().constData(), port);
}

int VeltoSDKRecvThread::configureSocket(int fd)
{
    const int granted = VeltoSocket::setReceiveBuffer(fd, kSocketBufferBytes);
    if (!isTroubled())
        VELTO_SDK_LOG("setsockopt SO_RCVBUF %d -> %d", kSocketBufferBytes, granted);
    if (VeltoSocket::receiveOnJoinedInterfaceOnly(fd) < 0) {
        noteTrouble("setsockopt IP_MULTICAST_ALL 0, IP_PKTINFO 1 failure");
        return -1;
    }
    // A receive that returns every second lets the thread notice a network that went away
    // under a socket that would otherwise wait for ever.
    if (VeltoSocket::setReceiveTimeout(fd, kLookSeconds, 0) < 0) {
        noteTrouble("setsockopt SO_RCVTIMEO failure");
        return -1;
    }
    return 0;
}

void VeltoSDKRecvThread::socketChanged(bool open)
{
    sdk->setReceiving(open);
}

// A result of 0 with no error is an empty datagram or the shutdown of stop(); the loop
// then tests the stop flag before it blocks again.
bool VeltoSDKRecvThread::serve()
{
    VeltoSocket::clearError();
    int arrivedOn = 0;
    const int size = VeltoSocket::receive(socket(), buffer, sizeof(buffer), arrivedOn);
    if (size > 0) {
        if (arrivedOn == sdk->interfaceIndex())
            sdk->queueReply(buffer, size);
        return true;
    }
    const int error = VeltoSocket::lastError();
    if (VeltoSocket::isTransient(error))
        return true;
    noteTrouble(QByteArray("recvfrom ret = ") + QByteArray::number(size) +
                ", errno = " + QByteArray::number(error));
    return false;
}
