#pragma once

#include <QJsonObject>
#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVector>

// What the program knows about one camera: the fields of its search reply, as texts under
// the reply's own JSON keys, plus the device table's tick and row. A value type: records
// are copied into lists and travel through queued connections.
class VeltoDevice : public QObject
{
public:
    VeltoDevice();
    VeltoDevice(const VeltoDevice &other);
    VeltoDevice &operator=(const VeltoDevice &other);
    ~VeltoDevice() override = default;

    // Stores every key of object; string values keep their text, any other JSON type
    // gives an empty string. Keys absent from object are left as they are.
    void fromJson(const QJsonObject &object);

    QString value(const QString &key) const;
    int intValue(const QString &key) const;
    void setValue(const QString &key, const QString &value);

    QString ip() const { return value(QStringLiteral("ip")); }
    QString mac() const { return value(QStringLiteral("mac")); }
    QString name() const { return value(QStringLiteral("name")); }
    QString netmask() const { return value(QStringLiteral("netmask")); }
    QString gateway() const { return value(QStringLiteral("gateway")); }
    QString dns1() const { return value(QStringLiteral("dns1")); }
    QString dns2() const { return value(QStringLiteral("dns2")); }
    QString ipMode() const { return value(QStringLiteral("IpMode")); }
    QString p2pId() const { return value(QStringLiteral("p2pid")); }
    QString rtspPath() const { return value(QStringLiteral("rtsppath1")); }
    QString srcId() const { return value(QStringLiteral("srcid")); }
    QString functions() const { return value(QStringLiteral("HdCuFun")); }
    // The firmware version without its last dotted part (V2.1.7.240315 -> V2.1.7).
    QString appVersion() const;

    void setIp(const QString &v) { setValue(QStringLiteral("ip"), v); }
    void setMac(const QString &v) { setValue(QStringLiteral("mac"), v); }
    void setName(const QString &v) { setValue(QStringLiteral("name"), v); }
    void setNetmask(const QString &v) { setValue(QStringLiteral("netmask"), v); }
    void setGateway(const QString &v) { setValue(QStringLiteral("gateway"), v); }
    void setDns1(const QString &v) { setValue(QStringLiteral("dns1"), v); }
    void setDns2(const QString &v) { setValue(QStringLiteral("dns2"), v); }
    void setIpMode(const QString &v) { setValue(QStringLiteral("IpMode"), v); }
    void setP2pId(const QString &v) { setValue(QStringLiteral("p2pid"), v); }
    void setFunctions(const QString &v) { setValue(QStringLiteral("HdCuFun"), v); }

    bool hasMac() const { return !mac().isEmpty(); }
    // True when one comma-separated part of "HdCuFun" equals name, ignoring case.
    bool hasFunction(const QString &name) const;
    bool supportsPac() const { return hasFunction(QStringLiteral("PAC")); }
    bool supportsWifi() const { return hasFunction(QStringLiteral("WIFI")); }

    const QMap<QString, QString> &allValues() const { return values; }

    // Ordering by "mac", compared by UTF-16 code units (upper case first).
    static bool lessByMac(const VeltoDevice &a, const VeltoDevice &b);
    // True when a record of list has exactly the same "mac" as device.
    static bool containsMac(const QVector<VeltoDevice> &list, const VeltoDevice &device);
    // The first record of list whose "mac" is mac in either letter case, as a device that
    // answers again may spell it; an empty record when there is none.
    static VeltoDevice findMac(const QVector<VeltoDevice> &list, const QString &mac);
    // Registers VeltoDevice, QVector<VeltoDevice> and the Wi-Fi entry types for queued
    // connections. Safe to call more than once.
    static void registerMetaTypes();

    bool ticked = false; // the device table's tick; never sent to a device
    int rowIndex = -1;   // the table row the record was shown in; never sent

private:
    QMap<QString, QString> values; // implicitly shared, so copies are cheap
};

Q_DECLARE_METATYPE(VeltoDevice)
Q_DECLARE_METATYPE(QVector<VeltoDevice>)
