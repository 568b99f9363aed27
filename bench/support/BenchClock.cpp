#include "BenchClock.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <chrono>

namespace BenchClock {
double steadyNow()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

long residentKiB()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values.at(static_cast<size_t>(p * (values.size() - 1)));
}

void quiet(QtMsgType, const QMessageLogContext &, const QString &)
{}
} // namespace BenchClock
