// Cost of building and sending labels: one builder call (one spool write), the lock each
// export takes, a whole label sent to a USB printer, and a whole label handed to a CUPS
// queue as one job.
#include "CupsFixture.h"
#include "KorvalApiLock.h"
#include "KorvalTestSupport.h"
#include "korval.h"

#include <benchmark/benchmark.h>

namespace {

// A typical device label with the printer's own fonts and QR code.
void buildLabel()
{
    startDeviceLabel();
    OBX_DrawText(267, 172, 0, 3, 1, 1, 'N', "KT-4X");
    OBX_DrawBar2D_QR(71, 211, 1, 2, 0, 8, 2, 1, 8, "VLT-000123-ABCDE");
    OBX_DrawText(123, 327, 0, 2, 1, 1, 'N', "VLT-000123-ABCDE");
    OBX_DrawText(188, 409, 0, 3, 1, 1, 'N', "SN 000001");
    OBX_DrawRectangle(5, 5, 520, 520, 2);
}

class UsbOutput
{
public:
    UsbOutput()
    {
        korvalResetForTesting();
        usb.openOutput();
    }
    ~UsbOutput() { korvalResetForTesting(); }

private:
    ScopedWorkDir work;
    FakeUsbTree usb{work.path()};
};

void BM_DrawText(benchmark::State &state)
{
    UsbOutput output;
    for (auto _ : state)
        benchmark::DoNotOptimize(OBX_DrawText(267, 172, 0, 3, 1, 1, 'N', "KT-4X"));
}
BENCHMARK(BM_DrawText);

// The process-wide lock every export takes, alone: compare with BM_DrawText (under 5 %).
void BM_ExportLock(benchmark::State &state)
{
    for (auto _ : state) {
        const KorvalApiLock lock;
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ExportLock);

void BM_LabelToUsb(benchmark::State &state)
{
    UsbOutput output;
    for (auto _ : state) {
        buildLabel();
        benchmark::DoNotOptimize(OBX_PrintLabel(1, 1));
    }
}
BENCHMARK(BM_LabelToUsb);

void BM_LabelToCups(benchmark::State &state)
{
    CupsFixture cups;
    if (!cups.start() || !cups.addRawQueue("bench")) {
        state.SkipWithError(cups.error().c_str());
        return;
    }
    ScopedWorkDir work;
    korvalResetForTesting();
    OpenPort("bench");
    for (auto _ : state) {
        buildLabel();
        if (OBX_PrintLabel(1, 1) != 0)
            state.SkipWithError("the job was refused");
    }
    ClosePort();
    cups.waitForJobs("bench", size_t(state.iterations()));
}
BENCHMARK(BM_LabelToCups)->Iterations(100)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
