#include "JXUtils/JXSocketLayer.h"

// POSIX sockets need no start-up; report the version that was asked for.
int JXSocketLayer::startup(int requestedVersion, int &version, int &highVersion)
{
    version = requestedVersion;
    highVersion = requestedVersion;
    return 0;
}

void JXSocketLayer::cleanup()
{}
