#pragma once

#include "Velto/VeltoSDK.h"

#include <QNetworkInterface>

#include <mutex>

// Reaches the parts of VeltoSDK that tests drive without starting its threads.
class VeltoSDKTestAccess
{
public:
    // Selects a network (and resets the request ids) as start() does, without threads.
    static void useNetwork(VeltoSDK *sdk, const QNetworkInterface &iface,
                           const QNetworkAddressEntry &entry)
    {
        sdk->useNetwork(iface, entry);
    }
    // The oldest queued reply (owned by the caller), or null.
    static QJsonObject *takeReply(VeltoSDK *sdk) { return sdk->takeReply(); }
    // Marks id as awaited, as a wait does before its request leaves.
    static void expectReply(VeltoSDK *sdk, int id) { sdk->expectReply(id); }
    static int queuedReplies(VeltoSDK *sdk)
    {
        std::lock_guard<JXThreadLocker> guard(sdk->receiveLock);
        return sdk->receiveQueue.size();
    }
};
