// Plays one stream address in the device preview pane, without the main window: a quick
// look at a camera, and the window the preview benchmarks and screen tests drive.
//   lankit-preview [--seconds N] [--size WxH] [--language en|cn] URL
// Hardware decoding follows the "hardware" setting of the program's configuration.
// --seconds ends the preview (and the program) after N seconds.
// On standard error it tells when the first picture was painted, counted from play(), and
// at exit how many pictures were painted: the figures the preview benchmark reads.
#include "JXUtils/JXAppPaths.h"
#include "JXUtils/JXLocalize.h"
#include "JXUtils/JXThread.h"
#include "JXVideoView/JXDirectVideoView.h"
#include "UI/VeltoDeviceVideoView.h"
#include "resources/JXResources.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

namespace {
// Longest bounded run that --seconds accepts: one day.
constexpr double kMaxSeconds = 86400.0;

bool parseSize(const QString &text, QSize &size)
{
    const QStringList parts = text.split('x');
    if (parts.size() != 2)
        return false;
    bool okW = false, okH = false;
    size = QSize(parts[0].toInt(&okW), parts[1].toInt(&okH));
    return okW && okH && size.width() >= 100 && size.height() >= 100 && size.width() <= 8192 &&
           size.height() <= 8192;
}

void describeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription("Plays a stream address in the device preview pane.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({"seconds", "Stop and exit after <n> seconds.", "n"});
    parser.addOption({"size", "Window size (default 800x480).", "WxH", "800x480"});
    parser.addOption({"language", "Language of the pane's texts (default en).", "name", "en"});
    parser.addPositionalArgument("URL", "Stream address, e.g. rtsp://10.77.0.2/live.");
}

// --help and --version are answered without a display.
bool asksForInformation(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help" || arg == "-h" || arg == "--version" || arg == "-v")
            return true;
    }
    return false;
}
} // namespace

int main(int argc, char *argv[])
{
    if (asksForInformation(argc, argv)) {
        QCoreApplication information(argc, argv);
        QCoreApplication::setApplicationVersion(LANKIT_VERSION);
        QCommandLineParser parser;
        describeOptions(parser);
        parser.process(information);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("lankit-preview");
    QApplication::setApplicationVersion(LANKIT_VERSION);
    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    QSize size;
    bool secondsOk = true;
    const double seconds =
        parser.isSet("seconds") ? parser.value("seconds").toDouble(&secondsOk) : 0;
    if (positional.size() != 1 || !parseSize(parser.value("size"), size) || !secondsOk ||
        seconds < 0 || seconds > kMaxSeconds) {
        fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return 2;
    }

    JXResources::init();
    JXLocalize::setLanguageDir(JXAppPaths::languageDir());
    JXLocalize::changeLanguage(parser.value("language"));
    VeltoDeviceVideoView view;
    view.setWindowTitle("lankit-preview " + positional.first());
    view.resize(size);
    view.show();
    int painted = 0;
    const double playAt = JXThread::monotonic();
    if (auto *picture = view.findChild<JXDirectVideoView *>()) {
        QObject::connect(picture, &JXDirectVideoView::framePainted, [&painted, playAt] {
            if (painted++ == 0)
                fprintf(stderr, "first picture %.3f s after play\n",
                        JXThread::monotonic() - playAt);
        });
    }
    view.play(positional.first());
    if (seconds > 0) {
        QTimer::singleShot(static_cast<int>(seconds * 1000), &view, [&view] {
            view.stop();
            QApplication::quit();
        });
    }
    const int status = app.exec();
    fprintf(stderr, "painted %d pictures\n", painted);
    return status;
}
