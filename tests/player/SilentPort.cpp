#include "SilentPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

SilentPort::SilentPort()
{
    socketFd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(socketFd, reinterpret_cast<sockaddr *>(&address), length) == 0 &&
        listen(socketFd, 8) == 0 &&
        getsockname(socketFd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        boundPort = ntohs(address.sin_port);
}

SilentPort::~SilentPort()
{
    if (socketFd >= 0)
        close(socketFd);
}
