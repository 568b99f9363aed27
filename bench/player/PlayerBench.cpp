// The player's speed and memory, each benchmark one run (Iterations(1)) reported through
// counters:
//  BM_DecodeClip       a 10 s 1080p30 H.264 clip (made with ffmpeg at start) through the
//                      reader and the decoder, frames taken straight from the decoder (the
//                      render would pace them), against `ffmpeg -threads 1 -i clip -f null -`
//                      on the same file in the same run: process CPU seconds of each and
//                      their ratio (one decode thread on both sides).
//  BM_RtspLatency      realtime mode on the RTSP test stream (640x360, 25 fps): time from a
//                      video packet's read to its frame's hand-over to the video sink,
//                      median and 99th percentile in milliseconds.
//  BM_OpenCloseMemory  the RTSP test stream opened until its first picture and closed 200
//                      times: resident memory and heap in use after 20 and after 200 cycles.
#include "BenchClock.h"
#include "RtspServer.h"
#include "SilentPcm.h"
#include "StampingReader.h"

#include "JXPlayer/JXPcmPlayer.h"
#include "JXPlayer/JXPlayer.h"
#include "JXPlayer/JXPlayerDecoder.h"
#include "JXPlayer/JXPlayerDefaultRender.h"
#include "JXPlayer/JXPlayerFrame.h"
#include "JXPlayer/JXPlayerObserver.h"
#include "JXPlayer/JXPlayerReader.h"
#include "JXUtils/JXThread.h"
#include "JXVideoView/JXVideoView.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <malloc.h>
#include <map>
#include <mutex>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

extern char **environ;

namespace {
using BenchClock::percentile;
using BenchClock::quiet;
using BenchClock::residentKiB;
using BenchClock::steadyNow;

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// Bytes of heap in use (all malloc arenas), KiB: unlike the resident size it does not
// count memory the allocator keeps after it was freed.
long heapInUseKiB()
{
    return static_cast<long>(mallinfo2().uordblks / 1024);
}

const QString &clip()
{
    static QTemporaryDir dir;
    static const QString kPath = dir.filePath("clip-1080p30.mp4");
    if (!QFile::exists(kPath)) {
        QProcess::execute("ffmpeg",
                          {"-v", "error", "-y", "-f", "lavfi", "-i",
                           "testsrc2=size=1920x1080:rate=30:duration=10", "-c:v", "libx264",
                           "-preset", "veryfast", "-pix_fmt", "yuv420p", kPath});
    }
    return kPath;
}

// CPU seconds (user + system) of one ffmpeg run, measured from its rusage.
double ffmpegCpuSeconds(const QString &file)
{
    const QByteArray path = file.toUtf8();
    const char *argv[] = {"ffmpeg",         "-v", "error", "-threads", "1",    "-i",
                          path.constData(), "-f", "null",  "-",        nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "ffmpeg", nullptr, nullptr, const_cast<char **>(argv), environ) != 0)
        return -1;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}

// Reader and decoder over the whole file; returns the frames taken.
int decodeThroughPipeline(const QString &file)
{
    JXPlayerReader reader;
    JXPlayerDecoder decoder;
    reader.setUrl(file.toUtf8());
    decoder.setReader(&reader);
    reader.start();
    while (!reader.hasVideo())
        JXThread::msleep(1);
    decoder.start();
    int frames = 0;
    double idleSince = steadyNow();
    // The end of input shows as a decoder that has drained and hands out nothing more.
    while (!(decoder.isVideoEOF() && steadyNow() - idleSince > 0.5)) {
        if (JXPlayerFrame *frame = decoder.popVideoFrame()) {
            ++frames;
            delete frame;
            idleSince = steadyNow();
        } else {
            JXThread::msleep(1);
        }
    }
    decoder.stop();
    reader.stop();
    return frames;
}

void BM_DecodeClip(benchmark::State &state)
{
    const QString &file = clip();
    for (auto _ : state) {
        const double cpuBefore = processCpuSeconds();
        const double wallBefore = steadyNow();
        const int frames = decodeThroughPipeline(file);
        // The idle half second at the end costs (almost) no CPU; it is left out of the wall.
        const double pipelineWall = steadyNow() - wallBefore - 0.5;
        const double pipelineCpu = processCpuSeconds() - cpuBefore;
        const double ffmpegCpu = ffmpegCpuSeconds(file);
        state.counters["frames"] = frames;
        state.counters["pipeline_cpu_s"] = pipelineCpu;
        state.counters["pipeline_wall_s"] = pipelineWall;
        state.counters["ffmpeg_cpu_s"] = ffmpegCpu;
        state.counters["cpu_ratio"] = pipelineCpu / ffmpegCpu;
    }
}
BENCHMARK(BM_DecodeClip)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Wall time of each frame's hand-over, by presentation timestamp.
class StampingView : public JXVideoView
{
public:
    void renderFrame(AVFrame *frame) override
    {
        std::lock_guard<std::mutex> guard(lock);
        stamps.emplace(frame->pts, steadyNow());
    }
    void clearFrame() override {}
    std::map<int64_t, double> shownAt() const
    {
        std::lock_guard<std::mutex> guard(lock);
        return stamps;
    }
    int count() const
    {
        std::lock_guard<std::mutex> guard(lock);
        return static_cast<int>(stamps.size());
    }

private:
    mutable std::mutex lock;
    std::map<int64_t, double> stamps; // under lock
};

class BenchPlayer : public JXPlayer, public JXPlayerObserver
{
public:
    BenchPlayer()
    {
        setVideoView(&view);
        setObserver(this);
        setRealtime(true);
    }
    ~BenchPlayer() override { close(); }

    void onPlayerEvent(JXPlayer *, int event, double, double) override
    {
        if (event == JXPlayerObserver::kFirstFrame)
            firstFrames.fetch_add(1);
    }
    bool waitForFirstFrame(int n, double seconds)
    {
        const double end = steadyNow() + seconds;
        while (firstFrames < n && steadyNow() < end)
            JXThread::msleep(5);
        return firstFrames >= n;
    }

    StampingView view;
    StampingReader *stamping = nullptr; // the current reader; owned by the player
    std::atomic<int> firstFrames{0};

protected:
    JXPlayerReader *createReader() override { return stamping = new StampingReader; }
    JXPlayerRender *createRender() override { return makeDefaultRender(new SilentPcm); }
};

void BM_RtspLatency(benchmark::State &state)
{
    RtspServer server(LANKIT_SOURCE_DIR);
    if (!server.start()) {
        state.SkipWithError("RTSP server did not start");
        return;
    }
    for (auto _ : state) {
        BenchPlayer player;
        player.open(server.url());
        if (!player.waitForFirstFrame(1, 15)) {
            state.SkipWithError("no picture");
            return;
        }
        JXThread::msleep(10000);
        const auto read = player.stamping->readAt();
        const auto shown = player.view.shownAt();
        player.close();
        std::vector<double> latencies;
        for (const auto &[pts, when] : shown) {
            const auto it = read.find(pts);
            if (it != read.end())
                latencies.push_back((when - it->second) * 1000.0);
        }
        state.counters["frames"] = latencies.size();
        state.counters["median_ms"] = percentile(latencies, 0.5);
        state.counters["p99_ms"] = percentile(latencies, 0.99);
        state.counters["max_ms"] = percentile(latencies, 1.0);
    }
}
BENCHMARK(BM_RtspLatency)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_OpenCloseMemory(benchmark::State &state)
{
    RtspServer server(LANKIT_SOURCE_DIR);
    if (!server.start()) {
        state.SkipWithError("RTSP server did not start");
        return;
    }
    constexpr int kCycles = 200;
    constexpr int kWarmUp = 20;
    for (auto _ : state) {
        long afterWarmUp = 0;
        long heapAfterWarmUp = 0;
        int shown = 0;
        BenchPlayer player;
        for (int cycle = 1; cycle <= kCycles; ++cycle) {
            player.open(server.url());
            shown += player.waitForFirstFrame(cycle, 15);
            player.close();
            if (cycle == kWarmUp) {
                afterWarmUp = residentKiB();
                heapAfterWarmUp = heapInUseKiB();
            }
        }
        const long atEnd = residentKiB();
        const long heapAtEnd = heapInUseKiB();
        state.counters["cycles_shown"] = shown;
        state.counters["rss_kib_after_20"] = afterWarmUp;
        state.counters["rss_kib_after_200"] = atEnd;
        state.counters["growth_kib_per_cycle"] =
            static_cast<double>(atEnd - afterWarmUp) / (kCycles - kWarmUp);
        state.counters["heap_kib_after_20"] = heapAfterWarmUp;
        state.counters["heap_kib_after_200"] = heapAtEnd;
    }
}
BENCHMARK(BM_OpenCloseMemory)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quiet);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
