#pragma once

#include "JXPlayer/JXPlayerReader.h"

#include <cstdint>
#include <map>
#include <mutex>

// A reader that notes the monotonic time of each video packet read, by presentation
// timestamp, so a benchmark can measure read-to-frame delays.
class StampingReader : public JXPlayerReader
{
public:
    // Every stamp so far.
    std::map<int64_t, double> readAt() const;
    // The stamp of pts, -1 when none.
    double readAt(int64_t pts) const;

protected:
    int _readFrame(AVFormatContext *context, AVPacket *packet) override;

private:
    mutable std::mutex lock;
    std::map<int64_t, double> stamps; // under lock; written by the reader thread
};
