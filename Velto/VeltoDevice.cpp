#include "Velto/VeltoDevice.h"

#include "Velto/VeltoDeviceWiFiInfo.h"

#include <QJsonValue>

VeltoDevice::VeltoDevice() : QObject(nullptr)
{}

VeltoDevice::VeltoDevice(const VeltoDevice &other)
    : QObject(nullptr), ticked(other.ticked), rowIndex(other.rowIndex), values(other.values)
{}

VeltoDevice &VeltoDevice::operator=(const VeltoDevice &other)
{
    ticked = other.ticked;
    rowIndex = other.rowIndex;
    values = other.values;
    return *this;
}

void VeltoDevice::fromJson(const QJsonObject &object)
{
    for (auto it = object.constBegin(); it != object.constEnd(); ++it)
        values.insert(it.key(), it.value().isString() ? it.value().toString() : QString());
}

QString VeltoDevice::value(const QString &key) const
{
    return values.value(key);
}

int VeltoDevice::intValue(const QString &key) const
{
    bool ok = false;
    const int number = values.value(key).toInt(&ok, 10);
    return ok ? number : 0;
}

void VeltoDevice::setValue(const QString &key, const QString &value)
{
    values.insert(key, value);
}

QString VeltoDevice::appVersion() const
{
    const QString version = value(QStringLiteral("appVersion"));
    const int dot = version.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? version : version.left(dot);
}

bool VeltoDevice::hasFunction(const QString &name) const
{
    const QString list = functions();
    if (list.isEmpty())
        return false;
    const QStringList parts = list.split(QLatin1Char(','));
    for (const QString &part : parts) {
        if (part.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool VeltoDevice::lessByMac(const VeltoDevice &a, const VeltoDevice &b)
{
    return a.mac().compare(b.mac(), Qt::CaseSensitive) < 0;
}

bool VeltoDevice::containsMac(const QVector<VeltoDevice> &list, const VeltoDevice &device)
{
    const QString mac = device.mac();
    for (const VeltoDevice &other : list) {
        if (other.mac() == mac)
            return true;
    }
    return false;
}

VeltoDevice VeltoDevice::findMac(const QVector<VeltoDevice> &list, const QString &mac)
{
    for (const VeltoDevice &other : list) {
        if (other.mac().compare(mac, Qt::CaseInsensitive) == 0)
            return other;
    }
    return VeltoDevice();
}

void VeltoDevice::registerMetaTypes()
{
    qRegisterMetaType<VeltoDevice>("VeltoDevice");
    qRegisterMetaType<QVector<VeltoDevice>>("QVector<VeltoDevice>");
    qRegisterMetaType<VeltoDeviceWiFiInfo>("VeltoDeviceWiFiInfo");
    qRegisterMetaType<QVector<VeltoDeviceWiFiInfo>>("QVector<VeltoDeviceWiFiInfo>");
}
