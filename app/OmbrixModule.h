#pragma once

#include <QFunctionPointer>
#include <QString>

// The printer command library's file, bound at run time: LoadLibraryW of KORVAL.dll on
// Windows, the versioned libkorval.so elsewhere. One implementation per platform
// (OmbrixModule_<platform>.cpp).
class OmbrixModule
{
public:
    OmbrixModule() = default;
    ~OmbrixModule() { unload(); }
    OmbrixModule(const OmbrixModule &) = delete;
    OmbrixModule &operator=(const OmbrixModule &) = delete;

    // Loads the library of interfaceVersion from folder, else by the system's library
    // search; true when it is loaded.
    bool load(const QString &folder, int interfaceVersion);
    // The export called name, or null.
    QFunctionPointer resolve(const char *name) const;
    void unload();

private:
    void *handle = nullptr; // owned: the system's module handle, released by unload()
};
