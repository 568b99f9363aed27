#pragma once

#include <QString>
#include <QTemporaryDir>

// Points the program's application directory at a fresh temporary folder for the life of
// the object, so configuration, log and language files never touch the build folder.
class ScopedAppDir
{
public:
    ScopedAppDir();
    ~ScopedAppDir();
    QString path() const { return dir.path(); }

private:
    QTemporaryDir dir;
};

// Folder of the built executables (bin/), where helper programs and libkorval.so live.
QString testBinDir();
// The repository's top folder.
QString testSourceDir();
