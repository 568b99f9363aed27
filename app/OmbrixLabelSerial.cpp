#include "app/OmbrixLabelSerial.h"

#include "JXUtils/JXAppPaths.h"
#include "JXUtils/JXRegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

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
    if (!file.isOpen()) {
        QDir().mkpath(QFileInfo(filePath).absolutePath());
        // Written through a link or onto a FIFO, the file would land elsewhere or block.
        const JXRegularFile::Kind kind = JXRegularFile::check(filePath, kMaxFileBytes);
        if (kind != JXRegularFile::Absent && kind != JXRegularFile::Regular)
            return false;
        file.setFileName(filePath);
        if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
            return false;
    }
    QByteArray bytes = QJsonDocument(QJsonObject{{QLatin1String(kModelKey), model},
                                                 {QLatin1String(kSerialKey), nextSerial}})
                           .toJson(QJsonDocument::Compact);
    // Overwritten in place by one write, never truncated: a shorter text is padded with
    // blanks, which the reader skips. Renaming a new file over the old one would cost a
    // flush to the disk per label; a kill leaves the page written just as whole.
    const qint64 size = file.size();
    if (bytes.size() < size)
        bytes.append(QByteArray(int(size - bytes.size()), ' '));
    if (bytes.size() > kMaxFileBytes || !file.seek(0) || file.write(bytes) != bytes.size())
        return false;
    storedModel = model;
    storedSerial = nextSerial;
    return true;
}
