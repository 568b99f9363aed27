#include "Velto/VeltoSocket.h"

#include <mswsock.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

// Winsock handles are kernel handles, which fit in an int on every 64-bit Windows: the
// protocol threads keep them as ints like POSIX descriptors.
namespace {
SOCKET handle(int sock)
{
    return static_cast<SOCKET>(sock);
}

sockaddr_in ipv4Address(ULONG address, quint16 port)
{
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = address;
    sa.sin_port = htons(port);
    return sa;
}

int bindTo(int sock, ULONG address, quint16 port)
{
    const sockaddr_in sa = ipv4Address(address, port);
    return ::bind(handle(sock), reinterpret_cast<const sockaddr *>(&sa), sizeof(sa));
}

int membership(int sock, int option, const char *group, const char *localAddress)
{
    ip_mreq request = {};
    request.imr_multiaddr.s_addr = inet_addr(group);
    request.imr_interface.s_addr = inet_addr(localAddress);
    return setsockopt(handle(sock), IPPROTO_IP, option, reinterpret_cast<const char *>(&request),
                      sizeof(request));
}

// Winsock takes socket time-outs as a DWORD of milliseconds.
int setTimeout(int sock, int option, int seconds, int microseconds)
{
    const DWORD milliseconds = DWORD(seconds) * 1000 + DWORD(microseconds) / 1000;
    return setsockopt(handle(sock), SOL_SOCKET, option,
                      reinterpret_cast<const char *>(&milliseconds), sizeof(milliseconds));
}

// WSARecvMsg, the only receive call that reports the arrival interface, is an extension
// function looked up through the socket.
LPFN_WSARECVMSG recvMsgFunction(SOCKET sock)
{
    GUID id = WSAID_WSARECVMSG;
    LPFN_WSARECVMSG function = nullptr;
    DWORD bytes = 0;
    if (WSAIoctl(sock, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof(id), &function,
                 sizeof(function), &bytes, nullptr, nullptr) != 0)
        return nullptr;
    return function;
}
} // namespace

int VeltoSocket::create()
{
    const SOCKET sock = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    return sock == INVALID_SOCKET ? kNone : static_cast<int>(sock);
}

int VeltoSocket::bindSend(int sock, const char *localAddress, quint16 port)
{
    return bindTo(sock, inet_addr(localAddress), port);
}

// Windows hands group datagrams to a socket bound to the address of the interface they
// arrive on. SO_REUSEADDR lets lankitctl listen beside a running lankit.
int VeltoSocket::bindReceive(int sock, const char *localAddress, quint16 port)
{
    const BOOL on = TRUE;
    if (setsockopt(handle(sock), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char *>(&on),
                   sizeof(on)) != 0)
        return -1;
    return bindTo(sock, inet_addr(localAddress), port);
}

int VeltoSocket::joinGroup(int sock, const char *group, const char *localAddress)
{
    return membership(sock, IP_ADD_MEMBERSHIP, group, localAddress);
}

int VeltoSocket::leaveGroup(int sock, const char *group, const char *localAddress)
{
    return membership(sock, IP_DROP_MEMBERSHIP, group, localAddress);
}

int VeltoSocket::setSendTimeout(int sock, int seconds, int microseconds)
{
    return setTimeout(sock, SO_SNDTIMEO, seconds, microseconds);
}

int VeltoSocket::setReceiveTimeout(int sock, int seconds, int microseconds)
{
    return setTimeout(sock, SO_RCVTIMEO, seconds, microseconds);
}

int VeltoSocket::setMulticastInterface(int sock, const char *localAddress)
{
    in_addr address = {};
    address.s_addr = inet_addr(localAddress);
    return setsockopt(handle(sock), IPPROTO_IP, IP_MULTICAST_IF,
                      reinterpret_cast<const char *>(&address), sizeof(address));
}

int VeltoSocket::setReceiveBuffer(int sock, int bytes)
{
    setsockopt(handle(sock), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char *>(&bytes),
               sizeof(bytes));
    int granted = 0;
    int length = sizeof(granted);
    getsockopt(handle(sock), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char *>(&granted), &length);
    return granted;
}

// The bound interface address already limits what arrives; IP_PKTINFO has receive()
// name the interface.
int VeltoSocket::receiveOnJoinedInterfaceOnly(int sock)
{
    const DWORD on = 1;
    return setsockopt(handle(sock), IPPROTO_IP, IP_PKTINFO, reinterpret_cast<const char *>(&on),
                      sizeof(on));
}

int VeltoSocket::sendTo(int sock, const char *data, int size, const char *group, quint16 port)
{
    const sockaddr_in sa = ipv4Address(inet_addr(group), port);
    return ::sendto(handle(sock), data, size, 0, reinterpret_cast<const sockaddr *>(&sa),
                    sizeof(sa));
}

// Winsock has no MSG_TRUNC: a datagram larger than the buffer fails with WSAEMSGSIZE and
// its real size is lost, so it is reported as one byte more than fits.
int VeltoSocket::receive(int sock, char *buffer, int capacity, int &interfaceIndex)
{
    interfaceIndex = 0;
    static const LPFN_WSARECVMSG recvMsg = recvMsgFunction(handle(sock));
    if (!recvMsg)
        return SOCKET_ERROR;
    WSABUF data = {static_cast<ULONG>(capacity), buffer};
    alignas(WSACMSGHDR) char control[WSA_CMSG_SPACE(sizeof(IN_PKTINFO))];
    sockaddr_in from = {};
    WSAMSG message = {};
    message.name = reinterpret_cast<sockaddr *>(&from);
    message.namelen = sizeof(from);
    message.lpBuffers = &data;
    message.dwBufferCount = 1;
    message.Control = {sizeof(control), control};
    DWORD size = 0;
    if (recvMsg(handle(sock), &message, &size, nullptr, nullptr) != 0)
        return WSAGetLastError() == WSAEMSGSIZE ? capacity + 1 : SOCKET_ERROR;
    for (WSACMSGHDR *item = WSA_CMSG_FIRSTHDR(&message); item;
         item = WSA_CMSG_NXTHDR(&message, item)) {
        if (item->cmsg_level == IPPROTO_IP && item->cmsg_type == IP_PKTINFO) {
            IN_PKTINFO info = {};
            std::memcpy(&info, WSA_CMSG_DATA(item), sizeof(info));
            interfaceIndex = int(info.ipi_ifindex);
        }
    }
    return int(size);
}

int VeltoSocket::lastError()
{
    return WSAGetLastError();
}

void VeltoSocket::clearError()
{
    WSASetLastError(0);
}

// A receive time-out ends with WSAETIMEDOUT; a datagram socket also sees WSAECONNRESET when
// an earlier datagram met a closed port.
bool VeltoSocket::isTransient(int error)
{
    return error == 0 || error == WSAEWOULDBLOCK || error == WSAETIMEDOUT || error == WSAECONNRESET;
}

// shutdown() does not wake a blocked receive on an unconnected datagram socket; the
// receive time-out bounds the wait until the thread sees its stop flag.
void VeltoSocket::shutdown(int sock)
{
    ::shutdown(handle(sock), SD_BOTH);
}

void VeltoSocket::close(int sock)
{
    closesocket(handle(sock));
}
