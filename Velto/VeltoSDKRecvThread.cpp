#include "Velto/VeltoSDKRecvThread.h"

#include "Velto/VeltoSDK.h"
#include "Velto/VeltoSDKLog.h"
#include "Velto/VeltoSocket.h"

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
    VELTO_SDK_LOG("setsockopt SO_RCVBUF %d -> %d", kSocketBufferBytes, granted);
    if (VeltoSocket::receiveOnJoinedInterfaceOnly(fd) < 0) {
        VELTO_SDK_LOG("setsockopt IP_MULTICAST_ALL 0, IP_PKTINFO 1 failure");
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
    VELTO_SDK_LOG("recvfrom ret = %d, errno = %d", size, error);
    return false;
}
