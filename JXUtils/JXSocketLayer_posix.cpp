#include "JXUtils/JXSocketLayer.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cstdlib>

namespace {
bool isStreamTo(int fd, in_addr_t address, in_port_t port)
{
    int type = 0;
    socklen_t typeLength = sizeof(type);
    sockaddr_in peer = {};
    socklen_t peerLength = sizeof(peer);
    return getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeLength) == 0 && type == SOCK_STREAM &&
           getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &peerLength) == 0 &&
           peer.sin_family == AF_INET && peer.sin_addr.s_addr == address && peer.sin_port == port;
}
} // namespace

// POSIX sockets need no start-up; report the version that was asked for.
int JXSocketLayer::startup(int requestedVersion, int &version, int &highVersion)
{
    version = requestedVersion;
    highVersion = requestedVersion;
    return 0;
}

void JXSocketLayer::cleanup()
{}

// The access manager keeps its connection to itself, so the connection is found among the
// process's descriptors by its peer. SIOCOUTQ counts what is unsent and what is sent but
// not yet acknowledged.
long long JXSocketLayer::unacknowledgedBytes(const char *peerAddress, unsigned short port)
{
    const in_addr_t address = inet_addr(peerAddress);
    DIR *fds = opendir("/proc/self/fd");
    if (!fds)
        return -1;
    long long queued = -1;
    while (const dirent *item = readdir(fds)) {
        char *end = nullptr;
        const long fd = std::strtol(item->d_name, &end, 10);
        if (end == item->d_name || *end != '\0' || fd == dirfd(fds))
            continue;
        int bytes = 0;
        if (isStreamTo(static_cast<int>(fd), address, htons(port)) &&
            ioctl(static_cast<int>(fd), SIOCOUTQ, &bytes) == 0) {
            queued = bytes;
            break;
        }
    }
    closedir(fds);
    return queued;
}
