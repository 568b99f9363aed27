#include "support/TestPaths.h"

#include "JXUtils/JXAppPaths.h"

#include <QCoreApplication>

ScopedAppDir::ScopedAppDir()
{
    JXAppPaths::setApplicationDirForTesting(dir.path());
}

ScopedAppDir::~ScopedAppDir()
{
    JXAppPaths::setApplicationDirForTesting(QString());
}

QString testBinDir()
{
    const QString fromEnv = qEnvironmentVariable("LANKIT_BIN_DIR");
    return fromEnv.isEmpty() ? QCoreApplication::applicationDirPath() : fromEnv;
}

QString testSourceDir()
{
    return qEnvironmentVariable("LANKIT_SOURCE_DIR");
}
