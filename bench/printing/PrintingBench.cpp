// One device label from the scanner's carriage return to the job accepted by the CUPS
// queue, through the scan screen, the run-time binding (korval loaded and released for
// each label) and a private scheduler. Reports the median and the worst of 200 labels.
//   build/bin/printing_bench [--benchmark_filter=...]
#include "CupsFixture.h"
#include "JXUtils/JXAppPaths.h"
#include "JXUtils/JXConfigure.h"
#include "app/JXScanCodePrinterDialog.h"
#include "app/OmbrixLabelPreviewWidget.h"
#include "app/OmbrixLabelSerial.h"
#include "app/OmbrixLibrary.h"
#include "app/OmbrixPrinter.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

const char kQueue[] = "OMBRIX_BENCH";
const int kLabels = 200;

// A private scheduler, an application folder with libkorval beside the "program" and a
// working folder for the spool file, for the life of the benchmark.
class PrintingSetup
{
public:
    PrintingSetup()
    {
        ok = cups.start() && cups.addRawQueue(kQueue) && work.isValid() && app.isValid();
        const QString library = QStringLiteral("/libkorval.so.10");
        ok = ok &&
             QFile::link(QCoreApplication::applicationDirPath() + library, app.path() + library);
        JXAppPaths::setApplicationDirForTesting(app.path());
        previous = QDir::currentPath();
        QDir::setCurrent(work.path());
        JXConfigure configure;
        configure.setPrinterName(QString::fromLatin1(kQueue));
        // One code is scanned again and again: the reprint question would stop each.
        configure.setReprintQuestion(false);
    }
    ~PrintingSetup()
    {
        QDir::setCurrent(previous);
        JXAppPaths::setApplicationDirForTesting(QString());
    }
    bool ok = false;
    CupsFixture cups;

private:
    QTemporaryDir app;
    QTemporaryDir work;
    QString previous;
};

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[size_t(p * double(values.size() - 1) + 0.5)];
}

void BM_ScanToAcceptedJob(benchmark::State &state)
{
    PrintingSetup setup;
    if (!setup.ok) {
        state.SkipWithError(setup.cups.error().c_str());
        return;
    }
    JXScanCodePrinterDialog dialog;
    dialog.show();
    auto *scan = dialog.findChild<QLineEdit *>(QStringLiteral("scan"));
    dialog.findChild<QLineEdit *>(QStringLiteral("model"))->setText(QStringLiteral("KT4X-Q2"));
    auto *serial = dialog.findChild<QLineEdit *>(QStringLiteral("serial"));
    serial->setText(QStringLiteral("SN-00001"));
    std::vector<double> millis;
    for (auto _ : state) {
        millis.clear();
        for (int i = 0; i < kLabels; ++i) {
            scan->setText(QStringLiteral("XX1234HXKT4R00A1B2"));
            const auto start = std::chrono::steady_clock::now();
            QTest::keyClick(scan, Qt::Key_Return);
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            millis.push_back(took.count());
        }
    }
    if (serial->text() != QString::asprintf("SN-%05d", 1 + kLabels * int(state.iterations())))
        state.SkipWithError("a label was not printed");
    state.counters["median_ms"] = percentile(millis, 0.5);
    state.counters["p99_ms"] = percentile(millis, 0.99);
    state.counters["worst_ms"] = *std::max_element(millis.begin(), millis.end());
    state.counters["first_ms"] = millis.front();
    state.counters["over_25ms"] =
        double(std::count_if(millis.begin(), millis.end(), [](double ms) { return ms > 25; }));
    state.counters["labels"] = double(millis.size());
}
BENCHMARK(BM_ScanToAcceptedJob)->Iterations(1)->Unit(benchmark::kMillisecond);

// The share of loading, binding and releasing the library in each label.
void BM_LoadAndRelease(benchmark::State &state)
{
    PrintingSetup setup;
    for (auto _ : state) {
        OmbrixLibrary library;
        benchmark::DoNotOptimize(library.isBound());
    }
}
BENCHMARK(BM_LoadAndRelease)->Unit(benchmark::kMicrosecond);

// The queue's resolution, asked of the scheduler for each label.
void BM_DotPitch(benchmark::State &state)
{
    PrintingSetup setup;
    for (auto _ : state)
        benchmark::DoNotOptimize(OmbrixPrinter::dotPitch(QString::fromLatin1(kQueue)));
}
BENCHMARK(BM_DotPitch)->Unit(benchmark::kMicrosecond);

// The configuration read and written back, as the screen and the binding do per label.
void BM_GeometryReadWrite(benchmark::State &state)
{
    PrintingSetup setup;
    for (auto _ : state) {
        JXConfigure configure;
        double width = 0, height = 0, left = 0, top = 0, right = 0, bottom = 0, padding = 0;
        int columns = 0;
        configure.labelSettings(width, height, columns, left, top, right, bottom, padding);
        configure.setLabelSettings(45, 45, 1, left, top, right, bottom, 2);
    }
}
BENCHMARK(BM_GeometryReadWrite)->Unit(benchmark::kMicrosecond);

// The next serial number stored before each label is sent.
void BM_SerialStore(benchmark::State &state)
{
    PrintingSetup setup;
    OmbrixLabelSerial store;
    int serial = 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            store.store(QStringLiteral("KT4X-Q2"), QString::asprintf("SN-%05d", ++serial)));
}
BENCHMARK(BM_SerialStore)->Unit(benchmark::kMicrosecond);

// The scan screen's label panel on the GUI thread: one label's spool file drawn by the
// interpreter and painted, scaled, into the panel at its smallest size.
void BM_LabelPanel(benchmark::State &state)
{
    PrintingSetup setup;
    const OmbrixPrinter::Outcome outcome =
        OmbrixPrinter::printLabel(QStringLiteral("HXKT4R00A1B2"), QStringLiteral("KT4X-Q2"),
                                  QStringLiteral("SN-00001"), QString::fromLatin1(kQueue));
    if (!setup.ok || !outcome.printed || outcome.spool.isEmpty()) {
        state.SkipWithError("no label printed");
        return;
    }
    OmbrixLabelPreviewWidget panel;
    panel.resize(340, 340);
    for (auto _ : state) {
        panel.showJob(outcome.spool);
        benchmark::DoNotOptimize(panel.grab());
    }
    state.counters["spool_bytes"] = double(outcome.spool.size());
}
BENCHMARK(BM_LabelPanel)->Unit(benchmark::kMillisecond);

} // namespace
