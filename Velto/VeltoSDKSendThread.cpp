#include "Velto/VeltoSDKSendThread.h"

#include "Velto/VeltoDatagram.h"
#include "Velto/VeltoSDK.h"
#include "Velto/VeltoSDKLog.h"
#include "Velto/VeltoSocket.h"

#include <QJsonObject>

namespace {
// The longest wait for a request before the body looks at its socket and stop flag again;
// a request, the receive side getting ready and a stop each end the wait sooner.
const int kIdleWaitMs = 100;
} // namespace

VeltoSDKSendThread::VeltoSDKSendThread(VeltoSDK *sdk) : VeltoSDKSocketThread(sdk, 0)
{
    setName("VeltoSDKSendThread");
}

void VeltoSDKSendThread::stop()
{
    VeltoSDKSocketThread::stop();
    sdk->wakeSender();
}

// A request sent before the receive socket is bound and joined could be answered before
// anything listens, so requests wait on the queue until then.
bool VeltoSDKSendThread::serve()
{
    QJsonObject *message = sdk->waitForRequest(kIdleWaitMs, [this] { return isStopRequested(); });
    if (!message)
        return true;
    return send(message);
}

int VeltoSDKSendThread::bindSocket(int fd)
{
    return VeltoSocket::bindSend(fd, address().constData(), port);
}

int VeltoSDKSendThread::configureSocket(int fd)
{
    if (VeltoSocket::setMulticastInterface(fd, address().constData()) < 0) {
        noteTrouble("setsockopt IP_MULTICAST_IF " + address() + " failure");
        return -1;
    }
    return 0;
}

// A message whose send failed is lost, not retried: the caller's wait simply times out.
bool VeltoSDKSendThread::send(QJsonObject *message)
{
    const QByteArray json = VeltoDatagram::compactJson(*message);
    delete message;
    VELTO_SDK_LOG("send %s", json.constData());
    const QByteArray datagram = VeltoDatagram::frame(json);
    VeltoSocket::clearError();
    const int sent =
        VeltoSocket::sendTo(socket(), datagram.constData(), datagram.size(), kGroup, kDevicePort);
    const int error = VeltoSocket::lastError();
    if (sent > 0 || VeltoSocket::isTransient(error))
        return true;
    noteTrouble(QByteArray("send to ret = ") + QByteArray::number(sent) +
                ", errno = " + QByteArray::number(error));
    return false;
}
