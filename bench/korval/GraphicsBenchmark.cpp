#include "KorvalPcx.h"
#include "KorvalQr.h"
#include "TextLineFile.h"

#include <benchmark/benchmark.h>
#include <qrencode.h>

#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// A device identifier of 20 characters, as the label's QR code carries.
const char kIdentifier[] = "HXKT4R0123456789ABCD";

// 1,000 bytes of ordinary text.
std::string thousandBytes()
{
    static const char kSentence[] =
        "Installers print one label per camera; the code holds the device identifier, "
        "the model and a running serial number, e.g. SN-00042. ";
    std::string text;
    while (text.size() < 1000)
        text += kSentence;
    text.resize(1000);
    return text;
}

// As the export does it: one heap-allocated symbol per call.
void encodeWithKorval(benchmark::State &state, const std::string &data, int level)
{
    for (auto _ : state) {
        auto symbol = std::make_unique<QrSymbol>();
        const bool ok = encodeQrSymbol(*symbol, level, 0, kQrMaskAutomatic, data.c_str());
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(symbol->modules[0][0]);
    }
}

// The encoder alone, into a symbol kept between calls.
void encodeWithKorvalReused(benchmark::State &state, const std::string &data, int level)
{
    auto symbol = std::make_unique<QrSymbol>();
    for (auto _ : state) {
        const bool ok = encodeQrSymbol(*symbol, level, 0, kQrMaskAutomatic, data.c_str());
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(symbol->modules[0][0]);
    }
}

void encodeWithQrencode(benchmark::State &state, const std::string &data, QRecLevel level)
{
    for (auto _ : state) {
        QRcode *code = QRcode_encodeString(data.c_str(), 0, level, QR_MODE_8, 1);
        benchmark::DoNotOptimize(code->data[0]);
        QRcode_free(code);
    }
}

void BM_Identifier_M_Korval(benchmark::State &state)
{
    encodeWithKorval(state, kIdentifier, kQrLevelM);
}
void BM_Identifier_M_KorvalReusedSymbol(benchmark::State &state)
{
    encodeWithKorvalReused(state, kIdentifier, kQrLevelM);
}
void BM_Identifier_M_Qrencode(benchmark::State &state)
{
    encodeWithQrencode(state, kIdentifier, QR_ECLEVEL_M);
}
void BM_Text1000_L_Korval(benchmark::State &state)
{
    encodeWithKorval(state, thousandBytes(), kQrLevelL);
}
void BM_Text1000_L_KorvalReusedSymbol(benchmark::State &state)
{
    encodeWithKorvalReused(state, thousandBytes(), kQrLevelL);
}
void BM_Text1000_L_Qrencode(benchmark::State &state)
{
    encodeWithQrencode(state, thousandBytes(), QR_ECLEVEL_L);
}

// The label's identifier line: rendered, then written as the PCX file it is sent as.
void BM_TrueTypeLineToPcx(benchmark::State &state)
{
    char path[] = "/tmp/bench-korval-XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0)
        close(fd);
    TrueTypeLine line = textLineCase(1);
    line.text = kIdentifier;
    for (auto _ : state) {
        RenderedLine rendered;
        int result = renderTrueTypeLine(line, rendered);
        if (result == 0)
            result = writeBitmapPcxFile(path, rendered.bits.data(), rendered.placement.bitmapWidth,
                                        rendered.placement.bitmapHeight);
        benchmark::DoNotOptimize(result);
    }
    std::remove(path);
}

} // namespace

BENCHMARK(BM_Identifier_M_Korval);
BENCHMARK(BM_Identifier_M_KorvalReusedSymbol);
BENCHMARK(BM_Identifier_M_Qrencode);
BENCHMARK(BM_Text1000_L_Korval);
BENCHMARK(BM_Text1000_L_KorvalReusedSymbol);
BENCHMARK(BM_Text1000_L_Qrencode);
BENCHMARK(BM_TrueTypeLineToPcx)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
