// One 3-second search while 100,000 made-up cameras answer within 1 s and one simulated
// camera answers in the middle of that burst. Run with bench/velto/flood-scale.sh, which
// puts this program in one private network namespace and velto-sim in the other. Each
// search is timed with the process's CPU time (receive thread included); "devices" is how
// many the search listed, "real_listed" whether the simulated camera was among them, and
// "rcvbuf_drops" how many datagrams the kernel dropped for want of socket buffer.
#include "ScaleBenchMain.h"
#include "Velto/VeltoSDK.h"
#include "VeltoTestSupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {
const char kRealMac[] = "02:56:4C:00:00:01";

void BM_SearchFlood(benchmark::State &state)
{
    VeltoSDK *sdk = VeltoSDK::instance();
    double listed = 0;
    double real = 0;
    const long long dropsBefore = VeltoTest::receiveBufferErrors();
    for (auto _ : state) {
        QVector<VeltoDevice> found;
        sdk->searchDevices(found, 3.0);
        listed += found.size();
        real += std::any_of(found.begin(), found.end(), [](const VeltoDevice &device) {
            return device.mac() == QLatin1String(kRealMac);
        });
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["devices"] = listed / runs;
    state.counters["real_listed"] = real / runs;
    state.counters["rcvbuf_drops"] =
        static_cast<double>(VeltoTest::receiveBufferErrors() - dropsBefore);
}
BENCHMARK(BM_SearchFlood)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

} // namespace

int main(int argc, char **argv)
{
    return runScaleBenchmarks(argc, argv, "bench/velto/flood-scale.sh");
}
