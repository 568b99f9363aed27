#pragma once

#include <QString>

// The label register's keys in configure.ini: its address and the station's name. Read
// through the same guard as every other key (a configuration that is not a plain file of
// bounded size reads as empty).
class OmbrixRegisterSettings
{
public:
    static QString text(const char *key);
};
