#pragma once

// The process-wide socket layer: started once before any socket exists and shut down
// after every socket thread has been joined. On Windows this is WSAStartup/WSACleanup.
class JXSocketLayer
{
public:
    // requestedVersion is a version word (0x0202 for 2.2). Fills the version in use and
    // the highest supported one as version words; returns 0 on success.
    static int startup(int requestedVersion, int &version, int &highVersion);
    static void cleanup();

    // Bytes written to this process's TCP connection to the dotted IPv4 peerAddress and
    // port that the peer has not acknowledged yet, or -1 when no such connection is open
    // or the system cannot tell. What a peer acknowledged is what it took, so an upload's
    // progress counts that rather than what the system buffers on the way.
    static long long unacknowledgedBytes(const char *peerAddress, unsigned short port);
};
