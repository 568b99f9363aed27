#pragma once

#include "JXPlayer/JXPlayerObserver.h"
#include "JXPlayer/JXPlayerReaderObserver.h"

#include <mutex>
#include <vector>

// Records every player and reader event with its values and the steady-clock time.
class EventRecorder : public JXPlayerObserver, public JXPlayerReaderObserver
{
public:
    struct Event
    {
        int event;
        double value1;
        double value2;
        double when;
    };

    void onPlayerEvent(JXPlayer *player, int event, double value1, double value2) override;
    void onReaderEvent(JXPlayerReader *reader, int event) override;

    std::vector<Event> events() const;
    int count(int event) const;
    // Polls until event has been seen n times or seconds pass.
    bool waitFor(int event, int n, double seconds) const;
    // Time of the n-th (0-based) occurrence of event, -1 if none.
    double timeOf(int event, int n = 0) const;

private:
    void record(int event, double value1, double value2);

    mutable std::mutex lock;
    std::vector<Event> seen; // under lock
};
