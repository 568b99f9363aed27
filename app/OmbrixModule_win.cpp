#include "app/OmbrixModule.h"

#include <QDir>

#include <windows.h>

// Windows names the library without a version: KORVAL.dll, first beside the program, then
// by the system's search.
bool OmbrixModule::load(const QString &folder, int)
{
    unload();
    const QString name = QStringLiteral("KORVAL.dll");
    const std::wstring beside =
        QDir::toNativeSeparators(QDir(folder).filePath(name)).toStdWString();
    HMODULE module = LoadLibraryW(beside.c_str());
    if (!module)
        module = LoadLibraryW(name.toStdWString().c_str());
    handle = module;
    return handle != nullptr;
}

QFunctionPointer OmbrixModule::resolve(const char *name) const
{
    if (!handle)
        return nullptr;
    return reinterpret_cast<QFunctionPointer>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void OmbrixModule::unload()
{
    if (handle)
        FreeLibrary(static_cast<HMODULE>(handle));
    handle = nullptr;
}
