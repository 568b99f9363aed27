#include "support/TestPaths.h"

#include "JXUtils/JXAppPaths.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

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

std::vector<std::string> referenceLines(const QString &name,
                                        const std::map<std::string, std::string> &fill)
{
    QFile file(testSourceDir() + "/tests/data/" + name);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << file.fileName().toStdString();
        return {};
    }
    std::vector<std::string> lines;
    for (const QByteArray &read : file.readAll().split('\n')) {
        if (read.isEmpty() || read.startsWith('#'))
            continue;
        std::string line = read.toStdString();
        for (const auto &[key, value] : fill) {
            const std::string mark = "{" + key + "}";
            for (size_t at = line.find(mark); at != std::string::npos; at = line.find(mark, at))
                line.replace(at, mark.size(), value);
        }
        lines.push_back(line);
    }
    return lines;
}

int soakSize(int full, int quick)
{
    return qEnvironmentVariableIsSet("LANKIT_SOAK") ? full : quick;
}
