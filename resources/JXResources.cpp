#include "resources/JXResources.h"

#include <QtGlobal>

#include <mutex>

// Q_INIT_RESOURCE declares the generated registration function where it is used, so it
// must be used at global namespace scope, not inside a namespace.
static void registerResources()
{
    Q_INIT_RESOURCE(resources);
}

void JXResources::init()
{
    static std::once_flag once;
    std::call_once(once, registerResources);
}
