#include "VeltoTestSupport.h"

#include "Velto/VeltoDatagram.h"
#include "Velto/VeltoSDK.h"

#include <QElapsedTimer>
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
} // namespace VeltoTest
