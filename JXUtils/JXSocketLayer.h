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
};
