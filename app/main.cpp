#include "JXUtils/JXAppPaths.h"
#include "JXUtils/JXConfigure.h"
#include "JXUtils/JXLocalize.h"
#include "JXUtils/JXLog.h"
#include "JXUtils/JXSocketLayer.h"
#include "Velto/VeltoDevice.h"
#include "Velto/VeltoSDK.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "resources/JXResources.h"

#include <QApplication>
#include <QDebug>

namespace {
const int kSocketLayerVersion = 0x0202;
} // namespace

// "Golbals" is the name the log has always shown for this step: keep the spelling.
static void initGolbals()
{
    JXConfigure configure;
    configure.ensureDefaults();

    JXLocalize::setLanguageDir(JXAppPaths::languageDir());
    const QString languageFile = Startup::languageFileFor(configure.language());
    JXLocalize::install(languageFile);
    if (languageFile == QLatin1String("en.txt"))
        qDebug("install en language");
    else
        qDebug("install cn language");
    JXResources::init();

    VeltoDevice::registerMetaTypes();
    VeltoSDK::createInstance();
}

int main(int argc, char *argv[])
{
    Startup::applyOpenGLAttributes(Startup::probeOpenGL(argc, argv));

    int version = 0;
    int highVersion = 0;
    const int socketResult = JXSocketLayer::startup(kSocketLayerVersion, version, highVersion);

    auto *app = new QApplication(argc, argv);
    JXLog::open();
    initGolbals();
    qDebug("WSA(%d, %d) = %d", highVersion, version, socketResult);

    auto *window = new MainWindow;
    window->show();
    const int exitCode = app->exec();

    delete window;
    VeltoSDK::destroyInstance();
    JXLog::close();
    JXSocketLayer::cleanup();
    delete app;
    return exitCode;
}
