#include "app/OmbrixModule.h"

#include <QDir>
#include <QFile>

#include <dlfcn.h>

namespace {
// RTLD_LAZY | RTLD_LOCAL: korval's symbols stay out of the program's own namespace.
void *open(const QString &path)
{
    return dlopen(QFile::encodeName(path).constData(), RTLD_LAZY | RTLD_LOCAL);
}
} // namespace

bool OmbrixModule::load(const QString &folder, int interfaceVersion)
{
    unload();
    const QString name = QStringLiteral("libkorval.so.%1").arg(interfaceVersion);
    handle = open(QDir(folder).filePath(name));
    if (!handle)
        handle = open(name);
    return handle != nullptr;
}

QFunctionPointer OmbrixModule::resolve(const char *name) const
{
    return handle ? reinterpret_cast<QFunctionPointer>(dlsym(handle, name)) : nullptr;
}

void OmbrixModule::unload()
{
    if (handle)
        dlclose(handle);
    handle = nullptr;
}
