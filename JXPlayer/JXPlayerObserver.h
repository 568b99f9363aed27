#pragma once

class JXPlayer;

// The client's side of the player. Events come on the pipeline's threads, never on the
// client's; a widget passes them to its own thread.
class JXPlayerObserver
{
public:
    static constexpr int kOpened = 0;     // input open; decoding and rendering started
    static constexpr int kOpenFailed = 1; // not opened: value1 FFmpeg's error (negative)
    static constexpr int kFirstFrame = 2; // the first video frame of a run is shown
    static constexpr int kEnded = 3;      // video input ended and every frame was shown
    static constexpr int kFrame = 4;      // a further frame: value1 position, value2 duration

    virtual ~JXPlayerObserver() = default;
    virtual void onPlayerEvent(JXPlayer *player, int event, double value1, double value2)
    {
        (void)player;
        (void)event;
        (void)value1;
        (void)value2;
    }
};
