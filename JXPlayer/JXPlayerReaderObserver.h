#pragma once

class JXPlayerReader;

// Receives the reader's events, always on the reader thread; a receiver that touches
// widgets hands the event over to its own thread.
class JXPlayerReaderObserver
{
public:
    static constexpr int kOpened = 0;     // input open, before the first read
    static constexpr int kOpenFailed = 1; // the thread ends after this
    static constexpr int kReadEnded = 2;  // stop requested or read error
    static constexpr int kSeekDone = 3;   // the seek succeeded
    static constexpr int kSeekFailed = 4; // also: no open input
    static constexpr int kOverflowed = 5; // realtime mode dropped the whole backlog

    virtual ~JXPlayerReaderObserver() = default;
    virtual void onReaderEvent(JXPlayerReader *reader, int event)
    {
        (void)reader;
        (void)event;
    }
};
