// The real main window against a crowd of simulated cameras. Run with bench/table/table-scale.sh,
// which puts this program under Xvfb in one private network namespace and velto-sim with
// --count N cameras in the other. The window starts as the program does: it opens, runs
// its first search (the configured 3 s) and lists what answered. Measured, on one line:
//   rows         devices the table lists (must be the --expect count)
//   fill_cpu_s   process CPU time from the search dialog's close until the process is idle
//   fill_gap_ms  longest gap between two ticks of a 5 ms GUI-thread timer over that time
//   scroll_s, scroll_gap_ms   a scroll from the top row to the bottom, one page per frame
//   scroll_step_cpu_ms        the GUI thread's CPU time in the costliest page of it
//   checkall_ms, copy_ms, menu_ms, language_ms   how long the GUI thread is busy with a
//                click on check-all, Ctrl+C of every row, the batch menu, a language switch
//   rss_mb, peak_mb           resident memory at the end, and its peak
//   idle_pct     with --idle S: CPU over S seconds of doing nothing, in % of one core
#include "JXUtils/JXAppPaths.h"
#include "JXUtils/JXConfigure.h"
#include "JXUtils/JXLocalize.h"
#include "JXUtils/JXLog.h"
#include "UI/CVTableWidget.h"
#include "UI/QCheckBoxHeaderWidget.h"
#include "UI/VeltoDevicesWidget.h"
#include "UI/VeltoSearchDialog.h"
#include "Velto/VeltoDevice.h"
#include "Velto/VeltoSDK.h"
#include "app/MainWindow.h"
#include "resources/JXResources.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {
constexpr int kProbeMs = 5;
constexpr int kFrameMs = 16;
// Idle: less than this much CPU over the last kQuietMs.
constexpr double kQuietCpuShare = 0.05;
constexpr int kQuietMs = 500;
constexpr int kSampleMs = 50;
constexpr int kSettleLimitMs = 120000;

double cpuSeconds(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double processCpuSeconds()
{
    return cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
}

// Kilobytes of one line of /proc/self/status ("VmRSS", "VmHWM").
double statusMegabytes(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

// A GUI-thread timer; the longest gap between two of its ticks since the last reset.
class GapProbe : public QObject
{
public:
    GapProbe()
    {
        timer.setTimerType(Qt::PreciseTimer);
        connect(&timer, &QTimer::timeout, this, &GapProbe::tick);
    }
    void start()
    {
        reset();
        timer.start(kProbeMs);
    }
    void stop() { timer.stop(); }
    void reset()
    {
        clock.start();
        longest = 0;
    }
    qint64 longestMs() const { return std::max(longest, clock.elapsed()); }

private:
    void tick() { longest = std::max(longest, clock.restart()); }

    QTimer timer;
    QElapsedTimer clock;
    qint64 longest = 0;
};

// Gives the main window the whole screen when the first search starts, as a window manager
// does for showMaximized() (Xvfb has none); notes the CPU time and resets the probe when
// that search dialog closes.
class SearchEndWatch : public QObject
{
public:
    explicit SearchEndWatch(GapProbe &probe) : probe(probe) {}
    bool ended = false;
    double cpuAtEnd = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!watched->inherits("VeltoSearchDialog"))
            return false;
        if (event->type() == QEvent::Show) {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (top->inherits("MainWindow"))
                    top->setGeometry(QApplication::primaryScreen()->availableGeometry());
            }
        }
        if (!ended && event->type() == QEvent::Hide) {
            ended = true;
            cpuAtEnd = processCpuSeconds();
            probe.reset();
        }
        return false;
    }

private:
    GapProbe &probe;
};

// Runs the event loop for ms, sleeping while there is nothing to do.
void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until the process has been quiet for kQuietMs; the CPU time at the
// start of that quiet stretch, or -1 when it never came.
double settle()
{
    QVector<double> samples; // CPU time every kSampleMs
    const int window = kQuietMs / kSampleMs;
    for (int elapsed = 0; elapsed < kSettleLimitMs; elapsed += kSampleMs) {
        samples.append(processCpuSeconds());
        const int n = samples.size();
        if (n > window &&
            samples[n - 1] - samples[n - 1 - window] < kQuietCpuShare * kQuietMs / 1000.0)
            return samples[n - 1 - window];
        spin(kSampleMs);
    }
    return -1;
}

struct Scroll
{
    double seconds = 0;
    qint64 gapMs = 0;
    // The GUI thread's own CPU time in its costliest step: what the gap would be on a
    // machine where nothing else runs.
    double stepCpuMs = 0;
};

// One page per frame from the top row to the bottom, as a held Page Down does.
Scroll scrollToBottom(CVTableWidget *table, GapProbe &probe)
{
    QScrollBar *bar = table->verticalScrollBar();
    bar->setValue(bar->minimum());
    spin(200);
    QElapsedTimer clock;
    clock.start();
    probe.reset();
    double stepCpuMs = 0;
    while (bar->value() < bar->maximum()) {
        const double before = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        bar->setValue(bar->value() + bar->pageStep());
        spin(kFrameMs);
        stepCpuMs = std::max(stepCpuMs, 1000 * (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - before));
    }
    spin(200);
    return {clock.elapsed() / 1000.0, probe.longestMs(), stepCpuMs};
}

struct Operations
{
    qint64 checkAll = 0;
    qint64 copy = 0;
    qint64 menu = 0;
    qint64 language = 0;
};

// Milliseconds from the start of act until the events it caused are handled.
template <typename Act>
qint64 timed(Act act)
{
    QElapsedTimer clock;
    clock.start();
    act();
    QApplication::processEvents();
    return clock.elapsed();
}

Operations timeOperations(VeltoDevicesWidget *devices)
{
    CVTableWidget *table = devices->tableWidget();
    Operations ops;
    ops.checkAll = timed([&] { devices->header()->checkBox()->click(); });
    ops.copy = timed([&] {
        table->selectAll();
        QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
        QApplication::sendEvent(table, &copy);
    });
    ops.menu = timed([&] { emit table->customContextMenuRequested(QPoint(10, 10)); });
    if (QWidget *menu = QApplication::activePopupWidget())
        menu->close();
    ops.language = timed([] { JXLocalize::changeLanguage(QStringLiteral("cn")); });
    return ops;
}

int argument(const QStringList &args, const QString &name, int fallback)
{
    const int at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
}

void discard(QtMsgType, const QMessageLogContext &, const QString &)
{}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const int expected = argument(args, QStringLiteral("--expect"), 0);
    const int idleSeconds = argument(args, QStringLiteral("--idle"), 0);
    const int searchSeconds = argument(args, QStringLiteral("--search"), 3);

    QTemporaryDir dir;
    JXAppPaths::setApplicationDirForTesting(dir.path());
    JXLog::open();
    {
        JXConfigure configure;
        configure.ensureDefaults();
        configure.setLanguage(QStringLiteral("en"));
        configure.setNetworkName(qEnvironmentVariable("NETNS_IF_A", QStringLiteral("lkA")));
    }
    QSettings(JXConfigure::filePath(), QSettings::IniFormat)
        .setValue(QStringLiteral("search seconds"), searchSeconds);
    JXLocalize::setLanguageDir(QApplication::applicationDirPath() + QStringLiteral("/language"));
    JXLocalize::install(QStringLiteral("en.txt"));
    JXResources::init();
    VeltoDevice::registerMetaTypes();
    VeltoSDK::createInstance();

    GapProbe probe;
    SearchEndWatch watch(probe);
    app.installEventFilter(&watch);
    probe.start();
    auto *window = new MainWindow; // opens, searches and lists, as at start-up
    window->show();
    const double quietFrom = settle();
    const qint64 fillGap = probe.longestMs();
    auto *devices = window->findChild<VeltoDevicesWidget *>();
    CVTableWidget *table = devices->tableWidget();
    const int rows = table->rowCount();
    const Scroll scroll = scrollToBottom(table, probe);
    probe.stop();
    const Operations ops = timeOperations(devices);
    settle();

    double idlePercent = -1;
    if (idleSeconds > 0) {
        const double before = processCpuSeconds();
        spin(idleSeconds * 1000);
        idlePercent = 100.0 * (processCpuSeconds() - before) / idleSeconds;
    }
    std::printf("rows %d fill_cpu_s %.2f fill_gap_ms %lld scroll_s %.1f scroll_gap_ms %lld "
                "scroll_step_cpu_ms %.0f "
                "checkall_ms %lld copy_ms %lld menu_ms %lld language_ms %lld "
                "rss_mb %.0f peak_mb %.0f idle_pct %.2f\n",
                rows, watch.ended && quietFrom >= 0 ? quietFrom - watch.cpuAtEnd : -1.0,
                static_cast<long long>(fillGap), scroll.seconds,
                static_cast<long long>(scroll.gapMs), scroll.stepCpuMs,
                static_cast<long long>(ops.checkAll), static_cast<long long>(ops.copy),
                static_cast<long long>(ops.menu), static_cast<long long>(ops.language),
                statusMegabytes("VmRSS"), statusMegabytes("VmHWM"), idlePercent);
    std::fflush(stdout);

    qInstallMessageHandler(discard);
    delete window;
    VeltoSDK::destroyInstance();
    JXLog::close();
    return expected > 0 && rows != expected ? 1 : 0;
}
