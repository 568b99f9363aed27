#include "Velto/VeltoSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
sockaddr_in ipv4Address(in_addr_t address, quint16 port)
{
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = address;
    sa.sin_port = htons(port);
    return sa;
}

int bindTo(int sock, in_addr_t address, quint16 port)
{
    const sockaddr_in sa = ipv4Address(address, port);
    return ::bind(sock, reinterpret_cast<const sockaddr *>(&sa), sizeof(sa));
}

int membership(int sock, int option, const char *group, const char *localAddress)
{
    ip_mreq request = {};
    request.imr_multiaddr.s_addr = inet_addr(group);
    request.imr_interface.s_addr = inet_addr(localAddress);
    return setsockopt(sock, IPPROTO_IP, option, &request, sizeof(request));
}

int setTimeout(int sock, int option, int seconds, int microseconds)
{
    timeval timeout = {};
    timeout.tv_sec = seconds;
    timeout.tv_usec = microseconds;
    return setsockopt(sock, SOL_SOCKET, option, &timeout, sizeof(timeout));
}
} // namespace

int VeltoSocket::create()
{
    const int sock = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    return sock < 0 ? kNone : sock;
}

int VeltoSocket::bindSend(int sock, const char *localAddress, quint16 port)
{
    return bindTo(sock, inet_addr(localAddress), port);
}

// Linux hands group datagrams only to sockets bound to the wildcard or the group address,
// so the receiving socket binds the wildcard; receiveOnJoinedInterfaceOnly() and the
// arrival interface of each datagram keep out what other networks deliver to that port.
// SO_REUSEADDR lets lankitctl listen beside a running lankit.
int VeltoSocket::bindReceive(int sock, const char *, quint16 port)
{
    const int on = 1;
    if (setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on)) < 0)
        return -1;
    return bindTo(sock, htonl(INADDR_ANY), port);
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

// A bound source address does not choose the outgoing interface of group datagrams on
// Linux; the routing table would.
int VeltoSocket::setMulticastInterface(int sock, const char *localAddress)
{
    in_addr address = {};
    address.s_addr = inet_addr(localAddress);
    return setsockopt(sock, IPPROTO_IP, IP_MULTICAST_IF, &address, sizeof(address));
}

// The kernel caps SO_RCVBUF at net.core.rmem_max; a privileged process may go beyond it.
int VeltoSocket::setReceiveBuffer(int sock, int bytes)
{
    setsockopt(sock, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof(bytes));
    int granted = 0;
    socklen_t length = sizeof(granted);
    getsockopt(sock, SOL_SOCKET, SO_RCVBUF, &granted, &length);
    if (granted < bytes) {
        setsockopt(sock, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof(bytes));
        getsockopt(sock, SOL_SOCKET, SO_RCVBUF, &granted, &length);
    }
    return granted;
}

// Without IP_MULTICAST_ALL off, Linux delivers the group's datagrams from every interface on
// which any socket of the host joined it.
int VeltoSocket::receiveOnJoinedInterfaceOnly(int sock)
{
    const int off = 0;
    const int on = 1;
    if (setsockopt(sock, IPPROTO_IP, IP_MULTICAST_ALL, &off, sizeof(off)) < 0)
        return -1;
    return setsockopt(sock, IPPROTO_IP, IP_PKTINFO, &on, sizeof(on));
}

int VeltoSocket::sendTo(int sock, const char *data, int size, const char *group, quint16 port)
{
    const sockaddr_in sa = ipv4Address(inet_addr(group), port);
    return static_cast<int>(::sendto(sock, data, static_cast<size_t>(size), 0,
                                     reinterpret_cast<const sockaddr *>(&sa), sizeof(sa)));
}

// MSG_TRUNC makes the result the datagram's real size, so an oversized datagram can never
// pass for one that fills the buffer exactly.
int VeltoSocket::receive(int sock, char *buffer, int capacity, int &interfaceIndex)
{
    iovec data = {buffer, static_cast<size_t>(capacity)};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message = {};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof(control);
    const int size = static_cast<int>(::recvmsg(sock, &message, MSG_TRUNC));
    interfaceIndex = 0;
    if (size < 0)
        return size;
    for (cmsghdr *item = CMSG_FIRSTHDR(&message); item; item = CMSG_NXTHDR(&message, item)) {
        if (item->cmsg_level == IPPROTO_IP && item->cmsg_type == IP_PKTINFO) {
            in_pktinfo info = {};
            std::memcpy(&info, CMSG_DATA(item), sizeof(info));
            interfaceIndex = info.ipi_ifindex;
        }
    }
    return size;
}

int VeltoSocket::lastError()
{
    return errno;
}

void VeltoSocket::clearError()
{
    errno = 0;
}

bool VeltoSocket::isTransient(int error)
{
    return error == 0 || error == EAGAIN || error == EWOULDBLOCK;
}

// On an unconnected datagram socket shutdown() reports ENOTCONN but still wakes a blocked
// recvfrom(), which then returns 0.
void VeltoSocket::shutdown(int sock)
{
    ::shutdown(sock, SHUT_RDWR);
}

void VeltoSocket::close(int sock)
{
    ::close(sock);
}
