#include "SimDevice.h"

#include "SimEvents.h"
#include "SimOptions.h"

#include <QDateTime>
#include <QHostAddress>
#include <QJsonArray>
#include <QNetworkAddressEntry>

namespace {
const QStringList kNetworkKeys = {QStringLiteral("IpMode"),  QStringLiteral("ip"),
                                  QStringLiteral("netmask"), QStringLiteral("gateway"),
                                  QStringLiteral("dns1"),    QStringLiteral("dns2")};
// What a camera reports after an upload that changes its version.
const QString kUpgradedVersion = QStringLiteral("V2.1.8.261208");
const QStringList kFunctionLists = {QStringLiteral("PAC,WIFI"), QStringLiteral("PAC"),
                                    QStringLiteral("WIFI")};

QJsonObject result(bool ok)
{
    return QJsonObject{
        {QStringLiteral("result"), ok ? QStringLiteral("success") : QStringLiteral("failure")}};
}

QString macFor(const QString &prefix, int number)
{
    return QStringLiteral("%1:%2:%3:%4")
        .arg(prefix.toUpper())
        .arg((number >> 16) & 0xff, 2, 16, QLatin1Char('0'))
        .arg((number >> 8) & 0xff, 2, 16, QLatin1Char('0'))
        .arg(number & 0xff, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString gatewayOf(const QNetworkAddressEntry &address)
{
    const quint32 mask = address.netmask().toIPv4Address();
    return QHostAddress((address.ip().toIPv4Address() & mask) + 1).toString();
}

QString text(const QJsonObject &request, const QString &key)
{
    return request.value(key).toString();
}
} // namespace

SimDevice::SimDevice(int index, const SimOptions &options, const QNetworkAddressEntry &address,
                     bool ownAddress)
    : number(index + 1), bound(ownAddress ? address.ip() : QHostAddress(QHostAddress::AnyIPv4)),
      omittedKeys(options.omittedKeys)
{
    const QString ip = address.ip().toString();
    const QString mac = macFor(options.macPrefix, number);
    values = {{QStringLiteral("mac"), mac},
              {QStringLiteral("srcid"), QString(mac).remove(QLatin1Char(':'))},
              {QStringLiteral("ip"), ip},
              {QStringLiteral("netmask"), address.netmask().toString()},
              {QStringLiteral("gateway"), gatewayOf(address)},
              {QStringLiteral("dns1"), gatewayOf(address)},
              {QStringLiteral("dns2"), QStringLiteral("0.0.0.0")},
              {QStringLiteral("IpMode"), QStringLiteral("dhcp")},
              {QStringLiteral("name"), QStringLiteral("Camera %1").arg(number)},
              {QStringLiteral("p2pid"),
               QStringLiteral("VLT-%1-SIMUL").arg(number, 6, 10, QLatin1Char('0'))},
              {QStringLiteral("appVersion"), QStringLiteral("V2.1.7.240315")},
              {QStringLiteral("HdCuFun"), kFunctionLists.at(index % kFunctionLists.size())},
              {QStringLiteral("rtsppath1"), options.rtspTemplate.arg(ip).arg(number)}};
    if (options.httpPort > 0)
        values.insert(QStringLiteral("httpport"), QString::number(options.httpPort + index));
    factory = values;
    afterUpload = options.afterUpload.value(index);
}

void SimDevice::firmwareStored()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const bool back = afterUpload.startsWith(QLatin1String("back:"));
    if (afterUpload == QLatin1String("new") || back)
        values.insert(QStringLiteral("appVersion"), kUpgradedVersion);
    if (back)
        silentUntil = now + afterUpload.mid(5).toInt();
    // reboot:OLD:SILENT: the old firmware answers on for OLD ms before the camera restarts.
    if (afterUpload.startsWith(QLatin1String("reboot:"))) {
        const QStringList times = afterUpload.mid(7).split(QLatin1Char(':'));
        silentFrom = now + times.value(0).toInt();
        silentUntil = silentFrom + times.value(1).toInt();
    }
    gone = afterUpload == QLatin1String("gone");
    SimEvents::print("firmware", {{QStringLiteral("srcid"), srcId()},
                                  {QStringLiteral("after"), afterUpload},
                                  {QStringLiteral("version"), values.value("appVersion")}});
}

bool SimDevice::isRestarting() const
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    return gone || (now >= silentFrom && now < silentUntil);
}

QString SimDevice::value(const QString &key) const
{
    // A camera in reboot: mode runs its new firmware once it has restarted.
    if (key == QLatin1String("appVersion") && silentFrom > 0 &&
        QDateTime::currentMSecsSinceEpoch() >= silentUntil)
        return kUpgradedVersion;
    return values.value(key);
}

QJsonObject SimDevice::searchFields() const
{
    QJsonObject fields;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        if (!omittedKeys.contains(it.key()))
            fields.insert(it.key(), value(it.key()));
    }
    return fields;
}

// Every field is the camera's own text, which settings requests change to anything:
// escaped, it stays text.
QByteArray SimDevice::statusPage() const
{
    const auto field = [this](const char *key) {
        return value(QString::fromLatin1(key)).toHtmlEscaped();
    };
    const auto row = [&field](const char *label, const char *id, const char *key) {
        return QStringLiteral("<tr><th>%1</th><td id=\"%2\">%3</td></tr>\n")
            .arg(QLatin1String(label), QLatin1String(id), field(key));
    };
    const QString page =
        QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title>"
                       "</head>\n<body><h1>%1</h1>\n<table>\n")
            .arg(field("name")) +
        row("Name", "name", "name") + row("MAC", "mac", "mac") + row("IP", "ip", "ip") +
        row("Firmware", "version", "appVersion") + QStringLiteral("</table></body></html>\n");
    return page.toUtf8();
}

const QMap<QString, SimDevice::Handler> &SimDevice::handlers()
{
    static const QMap<QString, Handler> kTable = {
        {QStringLiteral("search"), &SimDevice::search},
        {QStringLiteral("SetIp"), &SimDevice::setIp},
        {QStringLiteral("ResetDefault"), &SimDevice::resetDefault},
        {QStringLiteral("WifiScan"), &SimDevice::wifiScan},
        {QStringLiteral("GetSD"), &SimDevice::sdCard},
        {QStringLiteral("testMicrophone"), &SimDevice::succeed}};
    return kTable;
}

const QMap<QString, QString> &SimDevice::storedKeys()
{
    static const QMap<QString, QString> kTable = {
        {QStringLiteral("SetMac"), QStringLiteral("mac")},
        {QStringLiteral("SetName"), QStringLiteral("name")},
        {QStringLiteral("SetP2p"), QStringLiteral("p2pid")},
        {QStringLiteral("SetHdCuFun"), QStringLiteral("HdCuFun")},
        {QStringLiteral("SetPTZ"), QStringLiteral("command")},
        {QStringLiteral("SetIRcut"), QStringLiteral("ircut")},
        {QStringLiteral("SetColor"), QStringLiteral("color")}};
    return kTable;
}

QJsonObject SimDevice::handle(const QJsonObject &request)
{
    const QString method = text(request, QStringLiteral("method"));
    if (storedKeys().contains(method))
        return setKey(request, storedKeys().value(method));
    const Handler handler = handlers().value(method);
    if (!handler)
        return QJsonObject{{QStringLiteral("result"), QStringLiteral("unsupported")}};
    return (this->*handler)(request);
}

QJsonObject SimDevice::search(const QJsonObject &)
{
    QJsonObject fields = searchFields();
    fields.insert(QStringLiteral("result"), QStringLiteral("success"));
    return fields;
}

// A static address needs all five fields; "dhcp" takes the address the network's DHCP
// server hands out, which here is the camera's first one.
QJsonObject SimDevice::setIp(const QJsonObject &request)
{
    const QString mode = text(request, QStringLiteral("IpMode"));
    if (mode == QLatin1String("dhcp")) {
        restoreNetwork();
        return result(true);
    }
    if (mode != QLatin1String("static"))
        return result(false);
    for (const QString &key : kNetworkKeys.mid(1)) {
        if (!request.value(key).isString())
            return result(false);
    }
    for (const QString &key : kNetworkKeys)
        values.insert(key, text(request, key));
    return result(true);
}

QJsonObject SimDevice::setKey(const QJsonObject &request, const QString &key)
{
    if (!request.value(key).isString())
        return result(false);
    values.insert(key, text(request, key));
    return result(true);
}

// The name always returns to the factory one; the network settings too unless the request
// asks to keep them ("keepnetwork" "1").
QJsonObject SimDevice::resetDefault(const QJsonObject &request)
{
    const QString keep = text(request, QStringLiteral("keepnetwork"));
    if (keep != QLatin1String("0") && keep != QLatin1String("1"))
        return result(false);
    values.insert(QStringLiteral("name"), factory.value(QStringLiteral("name")));
    if (keep == QLatin1String("0"))
        restoreNetwork();
    return result(true);
}

void SimDevice::restoreNetwork()
{
    for (const QString &key : kNetworkKeys)
        values.insert(key, factory.value(key));
}

// The nameless entry is one real cameras report for hidden networks.
QJsonObject SimDevice::wifiScan(const QJsonObject &)
{
    QJsonObject fields = result(true);
    const QJsonArray list = {
        QJsonObject{{QStringLiteral("wifiname"), QStringLiteral("Workshop")},
                    {QStringLiteral("Signal"), -41}},
        QJsonObject{{QStringLiteral("wifiname"), QString()}, {QStringLiteral("Signal"), -88}},
        QJsonObject{{QStringLiteral("wifiname"), QStringLiteral("Line %1").arg(number)},
                    {QStringLiteral("Signal"), -67}}};
    fields.insert(QStringLiteral("WifiList"), list);
    return fields;
}

QJsonObject SimDevice::sdCard(const QJsonObject &)
{
    QJsonObject fields = result(true);
    fields.insert(QStringLiteral("totalsize"), QStringLiteral("29806"));
    fields.insert(QStringLiteral("freesize"), QStringLiteral("12034"));
    return fields;
}

QJsonObject SimDevice::succeed(const QJsonObject &)
{
    return result(true);
}
