// Video view benchmarks. Run them in a real X window:
//   tests/video/run_in_xvfb.py build/bin/video_bench [--benchmark_filter=...]
//  BM_DrawFrame         a 1080p frame drawn into a 1280x720 target on one core: conversion
//                       and scaling (draw) and the target's paint, per frame, median and
//                       99th percentile in milliseconds of wall time, and of the GUI
//                       thread's CPU time for both together (cpu_*). A view that paints as
//                       it draws counts its paint in the draw.
//  BM_ReadToPaint       realtime play of the RTSP test stream (640x360, 25 fps) into a shown
//                       view for 10 s: time from a video packet's read to its picture's
//                       paint, median and 99th percentile.
//  BM_ReadToPaintSoak   the same for 10 minutes, with the median and 99th percentile of
//                       every minute and the resident size at the first and the last minute,
//                       to show that neither grows.
#include "BenchClock.h"
#include "RtspServer.h"
#include "SilentPcm.h"
#include "StampingReader.h"

#include "JXPlayer/JXPcmPlayer.h"
#include "JXPlayer/JXPlayer.h"
#include "JXPlayer/JXPlayerDefaultRender.h"
#include "JXPlayer/JXPlayerReader.h"
#include "JXVideoView/JXDirectVideoView.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <mutex>
#include <sched.h>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {
using BenchClock::percentile;
using BenchClock::quiet;
using BenchClock::residentKiB;
using BenchClock::steadyNow;

// CPU time of the calling thread: on a shared machine the wall time also counts the waits
// for a core that other processes hold.
double threadCpuNow()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

void runEventLoop(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// A 1080p picture with detail in every plane (diagonal ramps), so the scaler cannot take
// short cuts on flat areas.
AVFrame *patternFrame(int shift)
{
    AVFrame *frame = av_frame_alloc();
    frame->width = 1920;
    frame->height = 1080;
    frame->format = AV_PIX_FMT_YUV420P;
    av_frame_get_buffer(frame, 0);
    for (int plane = 0; plane < 3; ++plane) {
        const int w = plane ? 960 : 1920;
        const int h = plane ? 540 : 1080;
        for (int y = 0; y < h; ++y) {
            uint8_t *row = frame->data[plane] + y * frame->linesize[plane];
            for (int x = 0; x < w; ++x)
                row[x] = static_cast<uint8_t>(x + y * (plane + 1) + shift);
        }
    }
    return frame;
}

void BM_DrawFrame(benchmark::State &state)
{
    // One core, as a busy machine would leave the GUI thread.
    cpu_set_t one;
    cpu_set_t all;
    sched_getaffinity(0, sizeof all, &all);
    CPU_ZERO(&one);
    CPU_SET(0, &one);
    sched_setaffinity(0, sizeof one, &one);

    JXDirectVideoView view;
    view.resize(1280, 720);
    view.show();
    runEventLoop(0.3);
    auto *target = view.findChild<QWidget *>("target");
    AVFrame *frames[2] = {patternFrame(0), patternFrame(77)};
    std::vector<double> draws, paints, totals, cpuTotals;
    int n = 0;
    int painted = 0;
    QObject::connect(&view, &JXDirectVideoView::framePainted, [&painted] { ++painted; });
    for (auto _ : state) {
        const double c0 = threadCpuNow();
        const double t0 = steadyNow();
        const int before = painted;
        view.renderFrame(frames[n++ % 2]);
        const double t1 = steadyNow();
        // A view that paints as it draws has put the picture on the screen already.
        if (painted == before)
            target->repaint();
        const double t2 = steadyNow();
        const double c2 = threadCpuNow();
        draws.push_back((t1 - t0) * 1000);
        paints.push_back((t2 - t1) * 1000);
        totals.push_back((t2 - t0) * 1000);
        cpuTotals.push_back((c2 - c0) * 1000);
    }
    sched_setaffinity(0, sizeof all, &all);
    av_frame_free(&frames[0]);
    av_frame_free(&frames[1]);
    state.counters["target_w"] = target->width();
    state.counters["target_h"] = target->height();
    state.counters["draw_median_ms"] = percentile(draws, 0.5);
    state.counters["draw_p99_ms"] = percentile(draws, 0.99);
    state.counters["paint_median_ms"] = percentile(paints, 0.5);
    state.counters["paint_p99_ms"] = percentile(paints, 0.99);
    state.counters["total_median_ms"] = percentile(totals, 0.5);
    state.counters["total_p99_ms"] = percentile(totals, 0.99);
    state.counters["cpu_median_ms"] = percentile(cpuTotals, 0.5);
    state.counters["cpu_p99_ms"] = percentile(cpuTotals, 0.99);
}
BENCHMARK(BM_DrawFrame)->Iterations(500)->Unit(benchmark::kMillisecond);

class StampingPlayer : public JXPlayer
{
public:
    ~StampingPlayer() override { close(); }
    StampingReader *stamping = nullptr; // the current reader; owned by the player

protected:
    JXPlayerReader *createReader() override { return stamping = new StampingReader; }
    JXPlayerRender *createRender() override { return makeDefaultRender(new SilentPcm); }
};

struct Minute
{
    std::vector<double> latencies;
    long residentKiB = 0;
};

// Plays the test stream into a shown view for seconds; latencies grouped by minute of play.
bool playAndMeasure(double seconds, std::vector<Minute> &minutes)
{
    RtspServer server(LANKIT_SOURCE_DIR);
    if (!server.start())
        return false;
    JXDirectVideoView view;
    view.resize(800, 450);
    view.show();
    StampingPlayer player;
    player.setVideoView(&view);
    player.setRealtime(true);
    double began = 0;
    QObject::connect(&view, &JXDirectVideoView::framePainted, [&](qint64 pts) {
        const double now = steadyNow();
        const double read = player.stamping ? player.stamping->readAt(pts) : -1;
        if (read < 0 || began == 0)
            return;
        const size_t minute = static_cast<size_t>((now - began) / 60);
        if (minutes.size() <= minute)
            minutes.resize(minute + 1);
        minutes[minute].latencies.push_back((now - read) * 1000);
        minutes[minute].residentKiB = residentKiB();
    });
    player.open(server.url());
    // The first second (connection, first key frame) is not steady play.
    runEventLoop(1.0);
    began = steadyNow();
    runEventLoop(seconds);
    player.close();
    return true;
}

void reportLatency(benchmark::State &state, const std::vector<Minute> &minutes)
{
    std::vector<double> all;
    for (const Minute &minute : minutes)
        all.insert(all.end(), minute.latencies.begin(), minute.latencies.end());
    state.counters["frames"] = all.size();
    state.counters["median_ms"] = percentile(all, 0.5);
    state.counters["p99_ms"] = percentile(all, 0.99);
    state.counters["max_ms"] = percentile(all, 1.0);
}

void BM_ReadToPaint(benchmark::State &state)
{
    for (auto _ : state) {
        std::vector<Minute> minutes;
        if (!playAndMeasure(10, minutes)) {
            state.SkipWithError("RTSP server did not start");
            return;
        }
        reportLatency(state, minutes);
    }
}
BENCHMARK(BM_ReadToPaint)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_ReadToPaintSoak(benchmark::State &state)
{
    for (auto _ : state) {
        std::vector<Minute> minutes;
        if (!playAndMeasure(600, minutes)) {
            state.SkipWithError("RTSP server did not start");
            return;
        }
        reportLatency(state, minutes);
        for (size_t i = 0; i < minutes.size() && i < 10; ++i) {
            const std::string m = "min" + std::to_string(i + 1);
            state.counters[m + "_median_ms"] = percentile(minutes[i].latencies, 0.5);
            state.counters[m + "_p99_ms"] = percentile(minutes[i].latencies, 0.99);
        }
        if (!minutes.empty()) {
            state.counters["rss_kib_first_min"] = minutes.front().residentKiB;
            state.counters["rss_kib_last_min"] = minutes.back().residentKiB;
        }
    }
}
BENCHMARK(BM_ReadToPaintSoak)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    qInstallMessageHandler(quiet);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
