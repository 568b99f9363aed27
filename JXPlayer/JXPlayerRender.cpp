#include "JXPlayer/JXPlayerRender.h"

#include "JXPlayer/JXPlayerDecoder.h"
#include "JXPlayer/JXPlayerFrame.h"
#include "JXPlayer/JXPlayerReader.h"
#include "JXPlayer/JXPlayerRenderObserver.h"

#include <QDebug>

JXPlayerRender::JXPlayerRender() = default;

JXPlayerRender::~JXPlayerRender()
{
    _stopThreads();
}

double JXPlayerRender::currentTime()
{
    if (videoThread.load())
        return videoTime;
    if (audioThread.load())
        return audioTime;
    return 0.0;
}

int JXPlayerRender::start()
{
    std::lock_guard<std::mutex> guard(controlLock);
    return doStart();
}

void JXPlayerRender::stop()
{
    std::lock_guard<std::mutex> guard(controlLock);
    doStop();
}

int JXPlayerRender::doStart()
{
    _stopThreads();
    videoCount = 0;
    audioCount = 0;
    videoTime = 0.0;
    audioTime = 0.0;
    JXPlayerReader *reader = decoder->playerReader();
    if (reader->hasVideo())
        JXThread::launch(videoThread,
                         new JXPlayerRenderVideoThread(this, &JXPlayerRender::renderVideo,
                                                       "JXPlayerRenderVideoThread"));
    if (reader->hasAudio())
        JXThread::launch(audioThread,
                         new JXPlayerRenderAudioThread(this, &JXPlayerRender::renderAudio,
                                                       "JXPlayerRenderAudioThread"));
    return 0;
}

void JXPlayerRender::doStop()
{
    _stopThreads();
}

bool JXPlayerRender::isLive() const
{
    return decoder && decoder->playerReader() && decoder->playerReader()->isRealtime();
}

bool JXPlayerRender::isRunning()
{
    return JXThread::running(videoThread) || JXThread::running(audioThread);
}

void JXPlayerRender::resetClock()
{
    videoBaseTime = -1.0;
    audioBaseTime = -1.0;
}

void JXPlayerRender::setVolume(double v)
{
    volume_ = v;
    if (decoder)
        decoder->setAudioEnabled(v > 0.01);
}

double JXPlayerRender::volume()
{
    return volume_;
}

void JXPlayerRender::setDecoder(JXPlayerDecoder *decoder)
{
    this->decoder = decoder;
}

void JXPlayerRender::setObserver(JXPlayerRenderObserver *observer)
{
    this->observer = observer;
}

void JXPlayerRender::renderVideo()
{
    videoTime = -1.0;
    videoCount = 0;
    videoBaseTime = -1.0;
    videoDropped = 0;
    double wallAnchor = JXThread::monotonic();
    bool endedReported = false;
    // A live source is shown as soon as it is decoded, newest first: holding a frame to
    // its due time would only keep the delay of whichever frame set the anchor (the burst
    // at connection), and showing an older frame while a newer one waits is falling behind.
    const bool live = isLive();
    const bool withSound = live && decoder->playerReader()->hasAudio();
    while (_videoRunning()) {
        JXPlayerFrame *frame = live ? _newestVideoFrame() : decoder->popVideoFrame();
        if (!frame) {
            if (decoder->isVideoEOF() && !endedReported) {
                qDebug("call play ended");
                _raise(JXPlayerRenderObserver::kPlayEnded);
                endedReported = true;
            }
            decoder->waitForVideoFrame(JXPlayerDecoder::kWakeMs);
            continue;
        }
        // The sound of a live source reaches the ear later than the picture reaches the
        // screen (it waits for the output, and the output holds kLiveAudioMs): the picture
        // waits a little too, to stay in step with it.
        if (withSound && frame->readAt > 0)
            _holdUntil(frame->readAt + kLiveSoundHold);
        const double time = frame->time();
        const int count = videoCount;
        const double due = _schedule(videoBaseTime, wallAnchor, time, videoTime, count, "video");
        videoTime = time;
        _raise(count == 0 ? JXPlayerRenderObserver::kFirstFrame
                          : JXPlayerRenderObserver::kNextFrame);
        videoCount = count + 1;
        renderVideoFrame(frame);
        delete frame;
        if (!live)
            _holdUntil(due);
        endedReported = false;
    }
}

JXPlayerFrame *JXPlayerRender::_newestVideoFrame()
{
    JXPlayerFrame *frame = decoder->popVideoFrame();
    while (frame) {
        JXPlayerFrame *newer = decoder->popVideoFrame();
        if (!newer)
            break;
        delete frame;
        frame = newer;
        ++videoDropped;
    }
    return frame;
}

void JXPlayerRender::renderAudio()
{
    audioBaseTime = -1.0;
    audioDropped = 0;
    double wallAnchor = -1.0;
    const bool live = isLive();
    while (_audioRunning()) {
        JXPlayerFrame *frame = decoder->popAudioFrame();
        if (!frame) {
            // Once the decode threads are gone nothing more can come.
            if (!decoder->isRunning())
                break;
            decoder->waitForAudioFrame(JXPlayerDecoder::kWakeMs);
            continue;
        }
        const double time = frame->time();
        if (live && isStale(frame, JXThread::monotonic())) {
            delete frame;
            ++audioDropped;
            continue;
        }
        const int count = audioCount;
        _schedule(audioBaseTime, wallAnchor, time, audioTime, count, "audio");
        audioTime = time;
        audioCount = count + 1;
        while (renderAudioFrame(frame) < 0 && _audioRunning())
            JXThread::msleep(1);
        delete frame;
    }
}

bool JXPlayerRender::isStale(const JXPlayerFrame *frame, double now)
{
    if (frame->readAt <= 0 || frame->frame->sample_rate <= 0)
        return false;
    // A frame waits for the output to take the one before it: up to its own length.
    const double length = static_cast<double>(frame->frame->nb_samples) / frame->frame->sample_rate;
    return now - frame->readAt > length + kMaxLiveAudioWait;
}

double JXPlayerRender::dueTime(Anchor &anchor, double time, double lastTime, int count, double now,
                               const char *kind)
{
    if (anchor.baseTime < 0 && time >= 0)
        anchor = {time, now};
    if (count < 1 || lastTime <= 0 || time <= 0)
        return 0.0;
    // A step backwards never moves the anchor.
    if (time - lastTime > kMaxTimeStep) {
        qDebug("interval = %lf, frame->time = %lf, %sTime = %lf", time - lastTime, time, kind,
               lastTime);
        anchor = {time, now};
    } else if (anchor.baseTime > 0 && anchor.wallAnchor > 0 &&
               now - anchor.wallAnchor > kMaxAnchorAge) {
        qDebug("reset display time (%lf) - (%lf)", anchor.wallAnchor, now);
        anchor = {time, now};
    }
    return anchor.wallAnchor + (time - anchor.baseTime);
}

double JXPlayerRender::_schedule(std::atomic<double> &baseTime, double &wallAnchor, double time,
                                 double lastTime, int count, const char *kind)
{
    double seen = baseTime;
    Anchor anchor{seen, wallAnchor};
    const double due = dueTime(anchor, time, lastTime, count, JXThread::monotonic(), kind);
    wallAnchor = anchor.wallAnchor;
    // A resetClock that came in meanwhile wins: the next frame anchors again.
    baseTime.compare_exchange_strong(seen, anchor.baseTime);
    return due;
}

void JXPlayerRender::_holdUntil(double due)
{
    while (_videoRunning() && due > 0 && JXThread::monotonic() < due)
        JXThread::msleep(1);
}

void JXPlayerRender::_stopThreads()
{
    JXThread::halt(audioThread);
    JXThread::halt(videoThread);
}

bool JXPlayerRender::_videoRunning() const
{
    return JXThread::mayGoOn(videoThread);
}

bool JXPlayerRender::_audioRunning() const
{
    return JXThread::mayGoOn(audioThread);
}

void JXPlayerRender::_raise(int event)
{
    if (JXPlayerRenderObserver *receiver = observer.load())
        receiver->onRenderEvent(this, event);
}
