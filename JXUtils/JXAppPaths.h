#pragma once

#include <QString>

// Where the program keeps its files. The application directory is the executable's
// directory; when it cannot be written (a system-wide install) the configuration and log
// folders move to the user's data directory and the language files are read from the
// share directory beside the program's bin/ (or, failing that, the configured one).
class JXAppPaths
{
public:
    static QString applicationDir();
    // Folder that holds configure/ and log/.
    static QString dataDir();
    // Folder that holds en.txt and cn.txt.
    static QString languageDir();

    // Tests run from a temporary folder instead of the build folder. An empty path
    // returns to the executable's directory.
    static void setApplicationDirForTesting(const QString &dir);
};
