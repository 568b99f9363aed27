// Cost of the receive path per datagram, on a typical search reply: the structural key
// check, Qt's parser, and the whole path up to the "destid" comparison.
#include "Velto/VeltoDatagram.h"
#include "Velto/VeltoJsonCheck.h"

#include <QJsonDocument>
#include <benchmark/benchmark.h>

namespace {
const QByteArray kReply =
    R"({"HdCuFun":"PAC,WIFI","IpMode":"dhcp","appVersion":"V2.1.7.240315",)"
    R"("destid":"02AABBCCDDEE","dns1":"10.77.0.1","dns2":"0.0.0.0","gateway":"10.77.0.1",)"
    R"("httpport":"8080","id":0,"ip":"10.77.0.2","mac":"02:56:4C:00:00:01","method":"search",)"
    R"("name":"Camera 1","netmask":"255.255.255.0","p2pid":"VLT-000001-SIMUL",)"
    R"("result":"success","rtsppath1":"rtsp://10.77.0.2:554/live/ch1","srcid":"02564C000001"})";

void BM_KeyCheck(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(VeltoJsonCheck::hasUniqueKeys(kReply));
}
BENCHMARK(BM_KeyCheck);

void BM_QtParse(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(QJsonDocument::fromJson(kReply).object());
}
BENCHMARK(BM_QtParse);

void BM_ReceivePath(benchmark::State &state)
{
    const QByteArray datagram = VeltoDatagram::frame(kReply);
    const QString own = QStringLiteral("02AABBCCDDEE");
    for (auto _ : state) {
        const bool ok = VeltoDatagram::hasValidLength(datagram.constData(), datagram.size()) &&
                        VeltoDatagram::isAddressedTo(
                            VeltoDatagram::message(datagram.constData(), datagram.size()), own);
        benchmark::DoNotOptimize(ok);
    }
}
BENCHMARK(BM_ReceivePath);
} // namespace

BENCHMARK_MAIN();
