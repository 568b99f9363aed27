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

#include <cstdio>
#include <cstring>

namespace {
const int kSocketLayerVersion = 0x0202;

const char kHelp[] =
    "usage: lankit [--help] [--version] [Qt options]\n"
    "Finds the Velto cameras on the local network, changes their network settings, name\n"
    "and factory state, uploads firmware, previews their live stream and prints an\n"
    "identity label for each device.\n"
    "\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Settings and logs are kept in configure/ and log/ beside the program, or in the\n"
    "user's data folder (~/.local/share/lankit) when the program's folder is not\n"
    "writable. The program multicasts a device search as soon as its window opens.\n";

// Answers --help and --version before any window, socket or file is opened.
bool printedInformation(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("lankit %s\n", LANKIT_VERSION);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return true;
        }
    }
    return false;
}
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
    if (printedInformation(argc, argv))
        return 0;
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
    // These lines close every session's log, so a log that ends without them shows a
    // program that did not come down in order.
    qDebug("event loop ended, exit code %d", exitCode);

    delete window;
    VeltoSDK::destroyInstance();
    qDebug("device protocol threads joined");
    JXLog::close();
    JXSocketLayer::cleanup();
    delete app;
    return exitCode;
}
