#include "EventRecorder.h"

#include "RecordingView.h"

#include <QThread>

void EventRecorder::onPlayerEvent(JXPlayer *, int event, double value1, double value2)
{
    record(event, value1, value2);
}

void EventRecorder::onReaderEvent(JXPlayerReader *, int event)
{
    record(event, 0, 0);
}

void EventRecorder::record(int event, double value1, double value2)
{
    const double when = steadyNow();
    std::lock_guard<std::mutex> guard(lock);
    seen.push_back({event, value1, value2, when});
}

std::vector<EventRecorder::Event> EventRecorder::events() const
{
    std::lock_guard<std::mutex> guard(lock);
    return seen;
}

int EventRecorder::count(int event) const
{
    std::lock_guard<std::mutex> guard(lock);
    int n = 0;
    for (const Event &e : seen)
        n += e.event == event;
    return n;
}

bool EventRecorder::waitFor(int event, int n, double seconds) const
{
    const double end = steadyNow() + seconds;
    while (count(event) < n) {
        if (steadyNow() > end)
            return false;
        QThread::msleep(2);
    }
    return true;
}

double EventRecorder::timeOf(int event, int n) const
{
    std::lock_guard<std::mutex> guard(lock);
    for (const Event &e : seen) {
        if (e.event == event && n-- == 0)
            return e.when;
    }
    return -1.0;
}
