#pragma once

#include <QString>
#include <QtGlobal>

// The label register's keys in configure.ini: its address, the station's name and, for
// the file register, the last serial number given per prefix. Read and written through
// the same guard as every other key (a configuration that is not a plain file of bounded
// size reads as empty and is never written).
class OmbrixRegisterSettings
{
public:
    static QString text(const char *key);
    // The last number given for prefix; 0 when none was.
    static qint64 lastSerial(const QString &prefix);
    // Stores number for prefix unless a higher one is stored already. False when the
    // configuration cannot be written.
    static bool raiseLastSerial(const QString &prefix, qint64 number);
};
