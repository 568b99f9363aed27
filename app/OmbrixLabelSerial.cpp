#include "app/OmbrixLabelSerial.h"

#include "JXUtils/JXAppPaths.h"
#include "JXUtils/JXRegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {
const char kModelKey[] = "model";
const char kSerialKey[] = "next serial";
} // namespace

QString OmbrixLabelSerial::defaultPath()
{
    return JXAppPaths::dataDir() + QStringLiteral("/configure/label-serial.json");
}

OmbrixLabelSerial::OmbrixLabelSerial(const QString &path) : filePath(path)
{}

bool OmbrixLabelSerial::load()
{
    storedModel.clear();
    storedSerial.clear();
    QByteArray bytes;
    if (!JXRegularFile::read(filePath, kMaxFileBytes, bytes))
        return false;
    const QJsonObject stored = QJsonDocument::fromJson(bytes).object();
    storedModel = stored.value(QLatin1String(kModelKey)).toString();
    storedSerial = stored.value(QLatin1String(kSerialKey)).toString();
    return !storedSerial.isEmpty();
}

bool OmbrixLabelSerial::store(const QString &model, const QString &nextSerial)
{
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    // Written through a link or onto a FIFO, the file would land elsewhere or block.
    const JXRegularFile::Kind kind = JXRegularFile::check(filePath, kMaxFileBytes);
    if (kind != JXRegularFile::kAbsent && kind != JXRegularFile::kRegular)
        return false;
    const QByteArray bytes = QJsonDocument(QJsonObject{{QLatin1String(kModelKey), model},
                                                       {QLatin1String(kSerialKey), nextSerial}})
                                 .toJson(QJsonDocument::Compact);
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return false;
    storedModel = model;
    storedSerial = nextSerial;
    return true;
}
