// One label recorded in the register, from the reservation of its number to its row marked
// printed (the printer itself left out): the station's labels.csv against a PostgreSQL
// register on loopback, median and 99th percentile of 2,000 labels each. The database is a
// private server started here (initdb and pg_ctl into a temporary folder, default
// durability: each label's two commits wait for the write-ahead log).
//   build/bin/register_bench [labels]
#include "BenchClock.h"
#include "PgServer.h"
#include "app/OmbrixFileLabelRegister.h"
#include "app/OmbrixSqlLabelRegister.h"

#include "JXUtils/JXAppPaths.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

// Milliseconds per label for count labels through reg; empty when one failed.
std::vector<double> recordLabels(OmbrixLabelRegister &reg, int count, const char *codeBase)
{
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        OmbrixLabelRegister::Label label;
        label.code = QStringLiteral("HXKT4R%1%2").arg(QLatin1String(codeBase)).arg(i);
        label.model = QStringLiteral("KT4X-Q2");
        label.prefix = QStringLiteral("SN-");
        label.printer = QStringLiteral("OMBRIX_LINE1");
        label.pitch = 0.85;
        const double start = BenchClock::steadyNow();
        if (reg.reserve(label, false, nullptr) != OmbrixLabelRegister::kOk)
            return {};
        label.state = OmbrixLabelRegister::State::Printed;
        if (reg.finish(label) != OmbrixLabelRegister::kOk)
            return {};
        times.push_back((BenchClock::steadyNow() - start) * 1000);
    }
    return times;
}

void report(const char *name, const std::vector<double> &times)
{
    std::printf("%-28s median %7.3f ms   p99 %7.3f ms   (%zu labels)\n", name,
                BenchClock::percentile(times, 0.5), BenchClock::percentile(times, 0.99),
                times.size());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(BenchClock::quiet);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    QTemporaryDir appDir;
    JXAppPaths::setApplicationDirForTesting(appDir.path());

    OmbrixFileLabelRegister file(appDir.path() + QStringLiteral("/log/labels.csv"),
                                 QStringLiteral("line1"));
    if (file.open() != OmbrixLabelRegister::kOk)
        return 1;
    recordLabels(file, 100, "WARM");
    const std::vector<double> fileTimes = recordLabels(file, count, "F");

    PgServer server;
    QString error;
    if (!server.start(&error) || !server.createDatabase(QStringLiteral("bench"))) {
        std::fprintf(stderr, "no PostgreSQL server: %s\n", qPrintable(error));
        return 1;
    }
    OmbrixSqlLabelRegister database(server.address(QStringLiteral("bench")),
                                    QStringLiteral("line1"));
    if (database.open() != OmbrixLabelRegister::kOk)
        return 1;
    recordLabels(database, 100, "WARM");
    const std::vector<double> databaseTimes = recordLabels(database, count, "D");
    if (fileTimes.empty() || databaseTimes.empty()) {
        std::fprintf(stderr, "a label was not recorded\n");
        return 1;
    }
    report("file register (labels.csv)", fileTimes);
    report("database register", databaseTimes);
    std::printf("database - file:             median %+7.3f ms   p99 %+7.3f ms\n",
                BenchClock::percentile(databaseTimes, 0.5) - BenchClock::percentile(fileTimes, 0.5),
                BenchClock::percentile(databaseTimes, 0.99) -
                    BenchClock::percentile(fileTimes, 0.99));
    JXAppPaths::setApplicationDirForTesting(QString());
    return 0;
}
