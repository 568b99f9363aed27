#include "RecordingView.h"

#include <QThread>

#include <chrono>

extern "C" {
#include <libavutil/frame.h>
}

double steadyNow()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void RecordingView::renderFrame(AVFrame *frame)
{
    const double when = steadyNow();
    std::lock_guard<std::mutex> guard(lock);
    frames.push_back({static_cast<long long>(frame->pts), frame->width, frame->height,
                      frame->format, frame->key_frame != 0, when});
}

void RecordingView::clearFrame()
{
    std::lock_guard<std::mutex> guard(lock);
    ++cleared;
}

std::vector<RecordingView::Shown> RecordingView::shown() const
{
    std::lock_guard<std::mutex> guard(lock);
    return frames;
}

int RecordingView::count() const
{
    std::lock_guard<std::mutex> guard(lock);
    return static_cast<int>(frames.size());
}

int RecordingView::clears() const
{
    std::lock_guard<std::mutex> guard(lock);
    return cleared;
}

bool RecordingView::waitForFrames(int n, double seconds) const
{
    const double end = steadyNow() + seconds;
    while (count() < n) {
        if (steadyNow() > end)
            return false;
        QThread::msleep(2);
    }
    return true;
}
