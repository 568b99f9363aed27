#include "Velto/VeltoSDKSocketThread.h"

#include "Velto/VeltoSDK.h"
#include "Velto/VeltoSDKLog.h"
#include "Velto/VeltoSocket.h"

const char VeltoSDKSocketThread::kGroup[] = "239.255.255.250";

namespace {
// SO_SNDTIMEO of both sockets: one second.
const int kSendTimeoutSeconds = 1;
const int kSendTimeoutMicroseconds = 0;
const int kPauseSliceMs = 10;
} // namespace

VeltoSDKSocketThread::VeltoSDKSocketThread(VeltoSDK *sdk, quint16 port)
    : sdk(sdk), port(port), sock(VeltoSocket::kNone)
{}

void VeltoSDKSocketThread::stop()
{
    JXThread::stop();
    std::lock_guard<std::mutex> guard(socketLock);
    if (sock != VeltoSocket::kNone)
        VeltoSocket::shutdown(sock);
}

void VeltoSDKSocketThread::run()
{
    while (!isStopRequested()) {
        if (!hasSocket()) {
            if (openSocket() < 0) {
                closeSocket();
                pauseBeforeReopen();
            }
            continue;
        }
        if (!serve() || !networkStillThere())
            closeSocket();
    }
    closeSocket();
}

bool VeltoSDKSocketThread::hasSocket() const
{
    return sock != VeltoSocket::kNone;
}

// Publishing the socket under socketLock after the stop flag may have been set means that
// either stop() sees the socket and shuts it, or the body sees the flag before it blocks.
// A network that is gone, down or without the chosen address is not tried at all: binding
// could still succeed on some of them and pass for a recovery.
int VeltoSDKSocketThread::openSocket()
{
    localAddress = sdk->localAddress();
    const VeltoSDK::NetworkState state = sdk->networkState();
    if (state != VeltoSDK::NetworkReachable) {
        noteTrouble("network unreachable, " + sdk->networkStateText(state).toUtf8());
        return -1;
    }
    const int fd = VeltoSocket::create();
    if (fd == VeltoSocket::kNone) {
        noteTrouble(QByteArray("socket failure, errno = ") +
                    QByteArray::number(VeltoSocket::lastError()));
        return -1;
    }
    if (bind(fd) < 0 || joinGroup(fd) < 0 || setSendTimeout(fd) < 0 || configureSocket(fd) < 0) {
        VeltoSocket::close(fd);
        return -1;
    }
    {
        std::lock_guard<std::mutex> guard(socketLock);
        sock = fd;
    }
    if (troubled) {
        troubled = false;
        sdk->networkTroubleEnds();
    }
    lastLook.start();
    socketChanged(true);
    return fd;
}

void VeltoSDKSocketThread::noteTrouble(const QByteArray &why)
{
    if (troubled)
        return;
    troubled = true;
    sdk->networkTroubleBegins(why);
}

bool VeltoSDKSocketThread::networkStillThere()
{
    if (lastLook.isValid() && lastLook.elapsed() < kReopenPauseMs)
        return true;
    lastLook.start();
    return sdk->isNetworkReachable();
}

int VeltoSDKSocketThread::bind(int fd)
{
    const int result = bindSocket(fd);
    if (result < 0) {
        noteTrouble(QByteArray("bind socket port ") + QByteArray::number(port) + " failure");
        return -1;
    }
    if (!troubled)
        VELTO_SDK_LOG("bind socket port %d -> %d", port, result);
    return 0;
}

int VeltoSDKSocketThread::joinGroup(int fd)
{
    const char *local = localAddress.constData();
    const int result = VeltoSocket::joinGroup(fd, kGroup, local);
    if (result < 0) {
        noteTrouble(QByteArray("setsockopt JX_IP_ADD_MEMBERSHIP ") + kGroup + ", " + local +
                    " failure");
        return -1;
    }
    if (!troubled)
        VELTO_SDK_LOG("setsockopt JX_IP_ADD_MEMBERSHIP %s, %s -> %d", kGroup, local, result);
    return 0;
}

int VeltoSDKSocketThread::setSendTimeout(int fd)
{
    const int result =
        VeltoSocket::setSendTimeout(fd, kSendTimeoutSeconds, kSendTimeoutMicroseconds);
    if (result < 0) {
        noteTrouble("setsockopt SO_SNDTIMEO failure");
        return -1;
    }
    if (!troubled)
        VELTO_SDK_LOG("setsockopt SO_SNDTIMEO %d:%d -> %d", kSendTimeoutSeconds,
                      kSendTimeoutMicroseconds, result);
    return 0;
}

void VeltoSDKSocketThread::closeSocket()
{
    int fd = VeltoSocket::kNone;
    {
        std::lock_guard<std::mutex> guard(socketLock);
        fd = sock;
        sock = VeltoSocket::kNone;
    }
    if (fd == VeltoSocket::kNone)
        return;
    socketChanged(false);
    VeltoSocket::leaveGroup(fd, kGroup, localAddress.constData());
    VeltoSocket::close(fd);
}

void VeltoSDKSocketThread::pauseBeforeReopen()
{
    for (int slept = 0; slept < kReopenPauseMs && !isStopRequested(); slept += kPauseSliceMs)
        msleep(kPauseSliceMs);
}
