#include "app/OmbrixRegisterSettings.h"

#include "JXUtils/JXConfigure.h"
#include "JXUtils/JXRegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include <memory>

namespace {
// One key per prefix under this group; the prefix is percent-encoded, since "/" and "\"
// would make groups of it.
const char kSerialGroup[] = "label serials";

std::unique_ptr<QSettings> openSettings()
{
    const QString path = JXConfigure::filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const JXRegularFile::Kind kind = JXRegularFile::check(path, JXConfigure::kMaxFileBytes);
    if (kind != JXRegularFile::Absent && kind != JXRegularFile::Regular)
        return nullptr;
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

QString serialKey(const QString &prefix)
{
    return QStringLiteral("%1/%2").arg(QLatin1String(kSerialGroup),
                                       QString::fromLatin1(QUrl::toPercentEncoding(prefix)));
}
} // namespace

QString OmbrixRegisterSettings::text(const char *key)
{
    const std::unique_ptr<QSettings> settings = openSettings();
    return settings ? settings->value(QLatin1String(key)).toString() : QString();
}

qint64 OmbrixRegisterSettings::lastSerial(const QString &prefix)
{
    const std::unique_ptr<QSettings> settings = openSettings();
    if (!settings)
        return 0;
    bool ok = false;
    const qint64 number = settings->value(serialKey(prefix)).toLongLong(&ok);
    return ok && number > 0 ? number : 0;
}

bool OmbrixRegisterSettings::raiseLastSerial(const QString &prefix, qint64 number)
{
    const std::unique_ptr<QSettings> settings = openSettings();
    if (!settings)
        return false;
    bool ok = false;
    const qint64 stored = settings->value(serialKey(prefix)).toLongLong(&ok);
    if (ok && stored >= number)
        return true;
    settings->setValue(serialKey(prefix), number);
    settings->sync();
    return settings->status() == QSettings::NoError;
}
