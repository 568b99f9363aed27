// lankitctl: command-line companion of lankit. See LankitCtl.cpp or --help.
#include "LankitCtl.h"

#include "JXUtils/JXSocketLayer.h"
#include "Velto/VeltoSDK.h"

#include <QCoreApplication>

#include <atomic>
#include <cstdio>

namespace {
// 0x0202: the socket layer version the protocol is written for.
const int kSocketLayerVersion = 0x0202;
std::atomic<bool> verbose{false};

// The protocol's log goes to standard error with --verbose, and nowhere otherwise, so that
// standard output carries only the JSON result.
void logToStderr(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    if (!verbose.load())
        return;
    std::fprintf(stderr, "%s:%d  %s\n", context.file ? context.file : "", context.line,
                 qUtf8Printable(message));
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lankitctl"));
    qInstallMessageHandler(logToStderr);
    verbose.store(app.arguments().contains(QStringLiteral("--verbose")));

    int version = 0;
    int highVersion = 0;
    JXSocketLayer::startup(kSocketLayerVersion, version, highVersion);
    VeltoDevice::registerMetaTypes();
    VeltoSDK::createInstance();
    const int code = LankitCtl().run(app.arguments());
    VeltoSDK::destroyInstance();
    JXSocketLayer::cleanup();
    return code;
}
