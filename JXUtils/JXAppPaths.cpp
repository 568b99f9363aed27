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
    const QString beside = applicationDir() + QStringLiteral("/language");
    if (QFileInfo(beside).isDir())
        return beside;
    return QStringLiteral(LANKIT_INSTALL_DATADIR "/language");
}

void JXAppPaths::setApplicationDirForTesting(const QString &dir)
{
    testDir() = dir;
}
