#pragma once

#include <QString>
#include <QTemporaryDir>

#include <map>
#include <string>
#include <vector>

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

// An expected output kept once under tests/data/ for every test that checks it: its
// lines without the '#' notes, each {key} replaced by fill's value. A file that cannot
// be read fails the calling test.
std::vector<std::string> referenceLines(const QString &name,
                                        const std::map<std::string, std::string> &fill = {});

// The size of a soak or scale case: the full one when LANKIT_SOAK is set (as
// bench/soak/soak-tests.sh does), otherwise a tenth or so that runs the same code within
// the test suite's time.
int soakSize(int full, int quick);
