#pragma once

#include "JXVideoView/JXVideoView.h"

#include <mutex>
#include <vector>

// A video sink that records what it is handed and when (steady clock, seconds).
class RecordingView : public JXVideoView
{
public:
    struct Shown
    {
        long long pts;
        int width;
        int height;
        int format;
        bool keyFrame;
        double when;
    };

    void renderFrame(AVFrame *frame) override;
    void clearFrame() override;

    std::vector<Shown> shown() const;
    int count() const;
    int clears() const;
    // Polls until at least n frames were shown or seconds pass.
    bool waitForFrames(int n, double seconds) const;

private:
    mutable std::mutex lock;
    std::vector<Shown> frames; // under lock
    int cleared = 0;           // under lock
};

// Seconds on the steady clock, the time base of every recording in these tests.
double steadyNow();
