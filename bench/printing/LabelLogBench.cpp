// The duplicate guard against a labels.csv of 1,000,000 printed labels: the time to open
// the scan screen (which indexes the file) and the time of the check each scan makes, for
// a code printed before and for a new one.
//   build/bin/label_log_bench [--benchmark_filter=...]
#include "JXUtils/JXAppPaths.h"
#include "app/JXScanCodePrinterDialog.h"
#include "app/OmbrixLabelLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const int kLines = 1000000;

QString code(int i)
{
    return QStringLiteral("HXKT4R%1").arg(i, 10, 10, QLatin1Char('0'));
}

// An application folder whose log/labels.csv holds kLines printed labels, written once.
class RunFolder
{
public:
    RunFolder()
    {
        JXAppPaths::setApplicationDirForTesting(dir.path());
        QDir().mkpath(dir.path() + "/log");
        QFile file(OmbrixLabelLog::defaultPath());
        ok = file.open(QIODevice::WriteOnly);
        file.write(QByteArray(OmbrixLabelLog::kHeader) + '\n');
        OmbrixLabelLog::Entry entry;
        entry.time = QDateTime::currentDateTime();
        entry.model = QStringLiteral("KT4X-Q2");
        entry.printer = QStringLiteral("OMBRIX_LINE1");
        entry.pitch = 0.85;
        entry.result = QString::fromLatin1(OmbrixLabelLog::kPrinted);
        QByteArray chunk;
        for (int i = 0; i < kLines; ++i) {
            entry.code = code(i);
            entry.serial = QStringLiteral("SN-%1").arg(i % 100000, 5, 10, QLatin1Char('0'));
            chunk += OmbrixLabelLog::formatLine(entry) + '\n';
            if (chunk.size() > (1 << 20)) {
                file.write(chunk);
                chunk.clear();
            }
        }
        file.write(chunk);
        size = file.size();
    }
    ~RunFolder() { JXAppPaths::setApplicationDirForTesting(QString()); }
    bool ok = false;
    qint64 size = 0;

private:
    QTemporaryDir dir;
};

RunFolder &runFolder()
{
    static RunFolder folder;
    return folder;
}

void BM_OpenScanScreen(benchmark::State &state)
{
    if (!runFolder().ok) {
        state.SkipWithError("cannot write labels.csv");
        return;
    }
    for (auto _ : state) {
        JXScanCodePrinterDialog dialog;
        benchmark::DoNotOptimize(&dialog);
    }
    state.counters["file_MB"] = double(runFolder().size) / 1e6;
}
BENCHMARK(BM_OpenScanScreen)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_CheckPrintedCode(benchmark::State &state)
{
    OmbrixLabelLog log;
    if (!runFolder().ok || !log.open()) {
        state.SkipWithError("cannot open labels.csv");
        return;
    }
    int i = 0;
    for (auto _ : state) {
        OmbrixLabelLog::Entry found;
        if (!log.findPrinted(code(i), &found))
            state.SkipWithError("a printed code was not found");
        i = (i + 7919) % kLines;
    }
    state.counters["indexed"] = double(log.printedCount());
}
BENCHMARK(BM_CheckPrintedCode)->Unit(benchmark::kMicrosecond);

void BM_CheckNewCode(benchmark::State &state)
{
    OmbrixLabelLog log;
    if (!runFolder().ok || !log.open()) {
        state.SkipWithError("cannot open labels.csv");
        return;
    }
    int i = kLines;
    for (auto _ : state) {
        if (log.findPrinted(code(i++), nullptr))
            state.SkipWithError("a new code was found");
    }
}
BENCHMARK(BM_CheckNewCode)->Unit(benchmark::kMicrosecond);

} // namespace
