#pragma once

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

class QNetworkAddressEntry;
struct SimOptions;

// One simulated camera: the fields it reports (all as strings, as cameras send them) and
// the settings requests change.
class SimDevice
{
public:
    SimDevice(int index, const SimOptions &options, const QNetworkAddressEntry &address);

    int index() const { return number - 1; }
    QString srcId() const { return values.value(QStringLiteral("srcid")); }
    int httpPort() const { return values.value(QStringLiteral("httpport")).toInt(); }

    // Every field of a search reply except the keys the options leave out.
    QJsonObject searchFields() const;
    // Carries out one request addressed to this camera; returns the reply's own fields,
    // "result" included.
    QJsonObject handle(const QJsonObject &request);

private:
    using Handler = QJsonObject (SimDevice::*)(const QJsonObject &);
    static const QMap<QString, Handler> &handlers();
    // Methods that store one key of the request: method -> key.
    static const QMap<QString, QString> &storedKeys();

    QJsonObject search(const QJsonObject &request);
    QJsonObject setIp(const QJsonObject &request);
    QJsonObject setKey(const QJsonObject &request, const QString &key);
    QJsonObject resetDefault(const QJsonObject &request);
    QJsonObject wifiScan(const QJsonObject &request);
    QJsonObject sdCard(const QJsonObject &request);
    QJsonObject succeed(const QJsonObject &request);
    void restoreNetwork();

    int number;                     // 1-based, as shown in names
    QStringList omittedKeys;        // left out of search replies
    QMap<QString, QString> values;  // the reported fields
    QMap<QString, QString> factory; // what a reset restores
};
