#pragma once

#include "Velto/VeltoSDK.h"

#include <QNetworkInterface>

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
};
