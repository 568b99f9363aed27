#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

// Clocks and counters shared by the player and preview benchmarks.
namespace BenchClock {
// Seconds on the monotonic clock.
double steadyNow();
// Resident set size of this process in KiB, -1 when /proc cannot be read.
long residentKiB();
// The p-quantile (0..1) of values by rank; -1 for no values.
double percentile(std::vector<double> values, double p);
// A message handler that drops everything, so logging costs nothing during a run.
void quiet(QtMsgType, const QMessageLogContext &, const QString &);
} // namespace BenchClock
