#pragma once

#include <QMetaType>
#include <QString>
#include <QVector>

// One entry of a device's Wi-Fi scan.
struct VeltoDeviceWiFiInfo
{
    QString name;   // "wifiname"
    int signal = 0; // "Signal", as the device reports it
};

Q_DECLARE_METATYPE(VeltoDeviceWiFiInfo)
Q_DECLARE_METATYPE(QVector<VeltoDeviceWiFiInfo>)
