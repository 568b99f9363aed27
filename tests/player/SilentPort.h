#pragma once

// A TCP port on 127.0.0.1 that completes connections (the kernel's backlog does) but never
// accepts or answers them: a device whose RTSP server hangs.
class SilentPort
{
public:
    SilentPort();
    ~SilentPort();
    SilentPort(const SilentPort &) = delete;
    SilentPort &operator=(const SilentPort &) = delete;

    int port() const { return boundPort; }

private:
    int socketFd = -1;
    int boundPort = 0;
};
