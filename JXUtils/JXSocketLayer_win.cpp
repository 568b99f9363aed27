#include "JXUtils/JXSocketLayer.h"

#include <winsock2.h>

int JXSocketLayer::startup(int requestedVersion, int &version, int &highVersion)
{
    WSADATA data = {};
    const int result = WSAStartup(static_cast<WORD>(requestedVersion), &data);
    version = data.wVersion;
    highVersion = data.wHighVersion;
    return result;
}

void JXSocketLayer::cleanup()
{
    WSACleanup();
}

// Windows tells a connection's unacknowledged bytes only through the extended TCP
// statistics, which need administrator rights to switch on; an upload then counts what
// it handed to the system.
long long JXSocketLayer::unacknowledgedBytes(const char *, unsigned short)
{
    return -1;
}
