#include "JXUtils/JXAppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString &testDir()
{
    static QString dir;
    return dir;
}
} // namespace

QString JXAppPaths::applicationDir()
{
    if (!testDir().isEmpty())
        return testDir();
    return QCoreApplication::applicationDirPath();
}

QString JXAppPaths::dataDir()
{
    const QString app = applicationDir();
    if (QFileInfo(app).isWritable())
        return app;
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return user.isEmpty() ? app : user;
}

QString JXAppPaths::languageDir()
{
    const QDir app(applicationDir());
    const QString beside = app.filePath(QStringLiteral("language"));
    if (QFileInfo(beside).isDir())
        return beside;
    // The share folder lies at the same path from the program's folder under any prefix,
    // so a package unpacked anywhere finds its own files before a system-wide copy.
    const QString installed =
        QDir::cleanPath(app.filePath(QStringLiteral(LANKIT_DATADIR_FROM_BINDIR "/language")));
    if (QFileInfo(installed).isDir())
        return installed;
    return QStringLiteral(LANKIT_INSTALL_DATADIR "/language");
}

void JXAppPaths::setApplicationDirForTesting(const QString &dir)
{
    testDir() = dir;
}
