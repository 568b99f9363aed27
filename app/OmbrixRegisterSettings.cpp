#include "app/OmbrixRegisterSettings.h"

#include "JXUtils/JXConfigure.h"
#include "JXUtils/JXRegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <memory>

namespace {
std::unique_ptr<QSettings> openSettings()
{
    const QString path = JXConfigure::filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const JXRegularFile::Kind kind = JXRegularFile::check(path, JXConfigure::kMaxFileBytes);
    if (kind != JXRegularFile::Absent && kind != JXRegularFile::Regular)
        return nullptr;
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

} // namespace

QString OmbrixRegisterSettings::text(const char *key)
{
    const std::unique_ptr<QSettings> settings = openSettings();
    return settings ? settings->value(QLatin1String(key)).toString() : QString();
}
