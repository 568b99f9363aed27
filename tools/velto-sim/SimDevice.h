#pragma once

#include <QHostAddress>
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
    // ownAddress: the camera binds its sockets to address's IP, which is its alone;
    // otherwise it shares the interface's address and binds to any.
    SimDevice(int index, const SimOptions &options, const QNetworkAddressEntry &address,
              bool ownAddress);

    int index() const { return number - 1; }
    QString srcId() const { return values.value(QStringLiteral("srcid")); }
    QString ip() const { return values.value(QStringLiteral("ip")); }
    int httpPort() const { return values.value(QStringLiteral("httpport")).toInt(); }
    // Where the camera's sockets bind: its own address, or any.
    QHostAddress bindAddress() const { return bound; }
    bool hasOwnAddress() const { return bound != QHostAddress(QHostAddress::AnyIPv4); }

    // The HTML page of GET /: name, MAC, IP and firmware version as the camera reports
    // them now.
    QByteArray statusPage() const;

    // Every field of a search reply except the keys the options leave out.
    QJsonObject searchFields() const;
    // Carries out one request addressed to this camera; returns the reply's own fields,
    // "result" included.
    QJsonObject handle(const QJsonObject &request);

    // A firmware upload has been stored: the camera acts as --after-upload says.
    void firmwareStored();
    // True while the camera restarts (or for good when it never comes back): it answers
    // nothing.
    bool isRestarting() const;

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
    // A reported field as the camera reports it at this moment.
    QString value(const QString &key) const;

    int number;                     // 1-based, as shown in names
    QHostAddress bound;             // AnyIPv4 when the cameras share one address
    QStringList omittedKeys;        // left out of search replies
    QMap<QString, QString> values;  // the reported fields
    QMap<QString, QString> factory; // what a reset restores
    QString afterUpload;            // this camera's --after-upload item, empty for none
    qint64 silentFrom = 0;          // ms since the epoch; silent from then ...
    qint64 silentUntil = 0;         // ... until then
    bool gone = false;              // silent for good
};
