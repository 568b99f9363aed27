#include "Velto/VeltoFirmwareUpload.h"

#include "JXUtils/JXHttpUtils.h"
#include "JXUtils/JXThread.h"

#include <QDebug>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonDocument>
#include <QRegularExpression>

#include <cmath>
#include <limits>
#include <mutex>

VeltoFirmwareUpload::VeltoFirmwareUpload() : stallMs(JXHttpUtils::kDefaultStallMs)
{}

int VeltoFirmwareUpload::send(const VeltoDevice &device, const QString &file,
                              const Progress &progress)
{
    const QString target = url(device);
    if (target.isEmpty()) {
        qDebug("no upload: unusable address \"%s\" port \"%s\"",
               qUtf8Printable(JXHttpUtils::logText(device.ip().toUtf8())),
               qUtf8Printable(
                   JXHttpUtils::logText(device.value(QStringLiteral("httpport")).toUtf8())));
        return kBadAddress;
    }
    // A device takes an empty image as an upgrade and reports success.
    const QFileInfo info(file);
    if (info.isFile() && info.size() == 0)
        return kEmptyFile;
    JXHttpUtils http;
    http.setStallLimit(stallMs.load());
    if (progress)
        QObject::connect(&http, &JXHttpUtils::uploadProgress, progress);
    if (!setCurrent(&http))
        http.cancel();
    const QByteArray body = http.upload(target, file);
    setCurrent(nullptr);

    qDebug("response %s", JXHttpUtils::logText(body).constData());
    return result(http, body);
}

int VeltoFirmwareUpload::result(const JXHttpUtils &http, const QByteArray &body)
{
    switch (http.outcome()) {
    case JXHttpUtils::Answered:
        break;
    case JXHttpUtils::NotRegularFile:
        return kNotRegularFile;
    case JXHttpUtils::HttpError:
        return kHttpError;
    case JXHttpUtils::AnswerTooLarge:
        return kAnswerTooLarge;
    case JXHttpUtils::Stalled:
        return kStalled;
    case JXHttpUtils::Failed:
        return kFailed;
    case JXHttpUtils::FileUnreadable:
    case JXHttpUtils::Cancelled:
        return kBadAnswer;
    }
    const QJsonDocument answer = QJsonDocument::fromJson(body);
    if (!answer.isObject())
        return kBadAnswer;
    return result(answer.object());
}

QString VeltoFirmwareUpload::url(const VeltoDevice &device)
{
    // Only digits and dots: no port, path, user or host name can ride along in "ip".
    static const QRegularExpression kDotted(
        QStringLiteral("^(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])"
                       "(\\.(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])){3}$"));
    static const QRegularExpression kDecimal(QStringLiteral("^[0-9]{1,5}$"));
    const QString ip = device.ip();
    const QString portText = device.value(QStringLiteral("httpport"));
    if (!kDotted.match(ip).hasMatch() || !kDecimal.match(portText).hasMatch())
        return QString();
    const QHostAddress address(ip);
    const int port = portText.toInt();
    if (address.isLoopback() || address.isMulticast() || address.isBroadcast() ||
        address == QHostAddress(QHostAddress::AnyIPv4) || port < 1 || port > 65535)
        return QString();
    return QStringLiteral("http://%1:%2/update.cgi").arg(ip).arg(port);
}

int VeltoFirmwareUpload::result(const QJsonObject &answer)
{
    const QLatin1String key("Result");
    if (!answer.contains(key))
        return 0;
    const QJsonValue value = answer.value(key);
    double number = 0;
    if (value.isDouble()) {
        number = value.toDouble();
    } else if (value.isString()) {
        static const QRegularExpression kInteger(QStringLiteral("^\\s*[-+]?[0-9]{1,10}\\s*$"));
        if (!kInteger.match(value.toString()).hasMatch())
            return kBadAnswer;
        number = value.toString().trimmed().toDouble();
    } else {
        return kBadAnswer;
    }
    if (!std::isfinite(number) || std::trunc(number) != number ||
        number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
        return kBadAnswer;
    return static_cast<int>(number);
}

QString VeltoFirmwareUpload::resultText(int result)
{
    switch (result) {
    case 0:
        return QStringLiteral("upgraded");
    case kBadAnswer:
        return QStringLiteral("no readable answer (file unreadable, upload failed or cancelled)");
    case kHttpError:
        return QStringLiteral("the device answered with an HTTP error");
    case kAnswerTooLarge:
        return QStringLiteral("the device's answer is too large");
    case kStalled:
        return QStringLiteral("no progress: the device stopped reading or did not answer");
    case kBadAddress:
        return QStringLiteral("the device reports no usable address or HTTP port");
    case kNotRegularFile:
        return QStringLiteral("the firmware is not a regular file");
    case kFailed:
        return QStringLiteral("the connection failed");
    case kEmptyFile:
        return QStringLiteral("the firmware file is empty");
    default:
        return QStringLiteral("the device refused the firmware");
    }
}

void VeltoFirmwareUpload::setStallMs(int milliseconds)
{
    stallMs.store(milliseconds);
}

void VeltoFirmwareUpload::cancel()
{
    std::lock_guard<JXThreadLocker> guard(lock);
    if (current)
        current->cancel();
}

// As for the protocol's waits: either cancel() finds the upload published here, or this
// sees the stop that the dialog asked for before it cancelled.
bool VeltoFirmwareUpload::setCurrent(JXHttpUtils *upload)
{
    std::lock_guard<JXThreadLocker> guard(lock);
    current = upload;
    return !(upload && JXThread::currentStopRequested());
}
