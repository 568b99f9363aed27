// One search answered by a crowd of simulated cameras. Run with bench/velto/search-scale.sh,
// which puts this program in one private network namespace and velto-sim with 1,000
// cameras answering within 50 ms in the other. Each search window (the argument, in ms)
// is timed with the process's CPU time (receive thread included); "devices" is how many
// cameras the search listed, "rcvbuf_drops" how many datagrams the kernel dropped for want
// of socket buffer during it. The log is written to a file as the program writes it.
#include "JXUtils/JXThread.h"
#include "ScaleBenchMain.h"
#include "Velto/VeltoSDK.h"
#include "VeltoTestSupport.h"

#include <benchmark/benchmark.h>

namespace {
const int kExpected = 1000;

void BM_SearchCrowd(benchmark::State &state)
{
    VeltoSDK *sdk = VeltoSDK::instance();
    const double seconds = static_cast<double>(state.range(0)) / 1000.0;
    double listed = 0;
    const long long dropsBefore = VeltoTest::receiveBufferErrors();
    for (auto _ : state) {
        QVector<VeltoDevice> found;
        sdk->searchDevices(found, seconds);
        listed += found.size();
        state.PauseTiming();
        JXThread::msleep(200); // the crowd has answered; late replies are simply discarded
        state.ResumeTiming();
    }
    state.counters["devices"] = listed / static_cast<double>(state.iterations());
    state.counters["rcvbuf_drops"] =
        static_cast<double>(VeltoTest::receiveBufferErrors() - dropsBefore);
}
BENCHMARK(BM_SearchCrowd)
    ->Arg(100)
    ->Arg(250)
    ->Arg(1000)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// Waits until the simulator answers with every camera, so the timed searches start with a
// crowd that is ready.
bool waitForCrowd()
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        QVector<VeltoDevice> found;
        VeltoSDK::instance()->searchDevices(found, 1.0);
        if (found.size() == kExpected)
            return true;
    }
    return false;
}
} // namespace

int main(int argc, char **argv)
{
    return runScaleBenchmarks(argc, argv, "bench/velto/search-scale.sh", waitForCrowd);
}
