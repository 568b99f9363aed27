#include "ScaleBenchMain.h"

#include "JXUtils/JXAppPaths.h"
#include "JXUtils/JXLog.h"
#include "Velto/VeltoSDK.h"
#include "VeltoTestSupport.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>

namespace {
void discard(QtMsgType, const QMessageLogContext &, const QString &)
{}

bool startProtocol()
{
    QNetworkInterface iface;
    QNetworkAddressEntry entry;
    if (!VeltoTest::chooseNamespaceInterface(iface, entry))
        return false;
    VeltoSDK::instance()->start(iface, entry);
    return true;
}
} // namespace

int runScaleBenchmarks(int argc, char **argv, const char *script, bool (*ready)())
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    JXAppPaths::setApplicationDirForTesting(dir.path());
    qInstallMessageHandler(discard); // the log file only, not the terminal as well
    JXLog::open();
    VeltoSDK::createInstance();
    int status = 1;
    if (!startProtocol()) {
        std::fprintf(stderr, "run me through %s\n", script);
    } else if (ready && !ready()) {
        std::fprintf(stderr, "the simulated cameras did not all answer\n");
    } else {
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        status = 0;
    }
    VeltoSDK::destroyInstance();
    JXLog::close();
    return status;
}
