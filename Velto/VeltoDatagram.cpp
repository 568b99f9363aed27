#include "Velto/VeltoDatagram.h"

#include "Velto/VeltoJsonCheck.h"

#include <QJsonDocument>
#include <QtEndian>

QByteArray VeltoDatagram::compactJson(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray VeltoDatagram::frame(const QJsonObject &object)
{
    return frame(compactJson(object));
}

QByteArray VeltoDatagram::frame(const QByteArray &json)
{
    QByteArray datagram(kHeaderSize, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(json.size() + kHeaderSize), datagram.data());
    datagram.append(json);
    return datagram;
}

bool VeltoDatagram::hasValidLength(const char *data, qint64 size)
{
    if (size < kHeaderSize || size > kMaxSize)
        return false;
    return qFromBigEndian<quint32>(data) == static_cast<quint64>(size);
}

QJsonObject VeltoDatagram::message(const char *data, qint64 size)
{
    const QByteArray json =
        QByteArray::fromRawData(data + kHeaderSize, static_cast<int>(size - kHeaderSize));
    if (!VeltoJsonCheck::hasUniqueKeys(json))
        return QJsonObject();
    const QJsonDocument document = QJsonDocument::fromJson(json);
    return document.isObject() ? document.object() : QJsonObject();
}

// Without an address of our own nothing is addressed to us, not even an empty "destid".
bool VeltoDatagram::isAddressedTo(const QJsonObject &message, const QString &srcId)
{
    if (srcId.isEmpty())
        return false;
    const QJsonValue destId = message.value(QLatin1String("destid"));
    return destId.isString() && destId.toString() == srcId;
}

namespace {
bool isControl(char16_t unit)
{
    return unit < 0x20 || (unit >= 0x7f && unit < 0xa0) || unit == 0x2028 || unit == 0x2029;
}
} // namespace

QByteArray VeltoDatagram::loggable(const QByteArray &received)
{
    const QString text = QString::fromUtf8(received);
    QString shown;
    shown.reserve(text.size());
    for (const QChar character : text) {
        const char16_t unit = character.unicode();
        if (!isControl(unit))
            shown.append(character);
        else if (unit < 0x100)
            shown.append(QStringLiteral("\\x%1").arg(unsigned(unit), 2, 16, QLatin1Char('0')));
        else
            shown.append(QStringLiteral("\\u%1").arg(unsigned(unit), 4, 16, QLatin1Char('0')));
    }
    return shown.toUtf8();
}
