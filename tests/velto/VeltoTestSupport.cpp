#include "VeltoTestSupport.h"

#include <QFile>

#include "Velto/VeltoDatagram.h"
#include "Velto/VeltoNetwork.h"
#include "Velto/VeltoSDK.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <memory>

namespace VeltoTest {
VeltoDevice device(const QString &srcId, const QString &mac)
{
    VeltoDevice record;
    record.setValue(QStringLiteral("srcid"), srcId);
    if (!mac.isEmpty())
        record.setMac(mac);
    return record;
}

QByteArray replyDatagram(const QJsonObject &reply)
{
    return VeltoDatagram::frame(reply);
}

QByteArray nextRequest(VeltoSDK *sdk, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        std::unique_ptr<QJsonObject> request(sdk->takeRequest());
        if (request)
            return VeltoDatagram::frame(*request);
        QThread::msleep(1);
    }
    return QByteArray();
}

QByteArray framed(const char *json)
{
    return VeltoDatagram::frame(QByteArray(json));
}
long long receiveBufferErrors()
{
    QFile snmp(QStringLiteral("/proc/net/snmp"));
    if (!snmp.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = snmp.readAll().split('\n');
    for (int i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].startsWith("Udp:") || !lines[i + 1].startsWith("Udp:"))
            continue;
        const QList<QByteArray> names = lines[i].simplified().split(' ');
        const QList<QByteArray> values = lines[i + 1].simplified().split(' ');
        const int column = names.indexOf("RcvbufErrors");
        return column > 0 && column < values.size() ? values[column].toLongLong() : -1;
    }
    return -1;
}

QString namespaceInterface()
{
    return qEnvironmentVariable("NETNS_IF_A");
}

bool chooseNamespaceInterface(QNetworkInterface &iface, QNetworkAddressEntry &entry)
{
    const QString name = namespaceInterface();
    return !name.isEmpty() && chooseInterface(usableInterfaces(), name, QString(), iface, entry);
}

int ip(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("ip"), arguments);
}
} // namespace VeltoTest
