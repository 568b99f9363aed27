#include "JXPlayer/JXPlayer.h"

#include "JXPlayer/JXPcmPlayer.h"
#include "JXPlayer/JXPlayerDecoder.h"
#include "JXPlayer/JXPlayerDefaultRender.h"
#include "JXPlayer/JXPlayerObserver.h"
#include "JXPlayer/JXPlayerReader.h"
#include "JXPlayer/JXPlayerRender.h"

JXPlayer::JXPlayer() = default;

JXPlayer::~JXPlayer() = default;

void JXPlayer::onReaderEvent(JXPlayerReader *source, int event)
{
    switch (event) {
    case JXPlayerReaderObserver::kOpened:
        decoder->start();
        render->start();
        _raise(JXPlayerObserver::kOpened, 0, 0);
        break;
    case JXPlayerReaderObserver::kOpenFailed:
        _raise(JXPlayerObserver::kOpenFailed, source ? source->openError() : 0, 0);
        break;
    case JXPlayerReaderObserver::kReadEnded:
        // Only a read error gets here: a close clears this observer before it stops the
        // reader. The decoders wait for an end of file that will not come, so the end of
        // the stream is told from here.
        _raise(JXPlayerObserver::kEnded, 0, 0);
        break;
    case JXPlayerReaderObserver::kSeekDone:
    case JXPlayerReaderObserver::kSeekFailed:
        decoder->flush();
        render->resetClock();
        break;
    case JXPlayerReaderObserver::kOverflowed:
        decoder->flush();
        break;
    default:
        break;
    }
}

double JXPlayer::bitrate()
{
    return reader ? reader->bitrate() : 0.0;
}

int JXPlayer::open()
{
    reader = createReader();
    decoder = createDecoder();
    render = createRender();
    reader->setObserver(this);
    render->setObserver(this);
    reader->setUrl(url);
    reader->setRealtime(realtime);
    reader->setTimeout(timeout);
    reader->setProtocolWhitelist(protocolWhitelist);
    decoder->setHwDeviceType(hwDeviceType);
    if (defaultRender) {
        defaultRender->setVideoView(videoView);
        defaultRender->setVolume(volume);
    }
    decoder->setReader(reader);
    render->setDecoder(decoder);
    if (reader->start() < 0) {
        close();
        return -1;
    }
    return 0;
}

void JXPlayer::close()
{
    // Observers go first, so no stage reports into a pipeline being taken apart; once the
    // reader's observer is cleared its thread, which starts the other stages, can start
    // none. A reader blocked inside the demuxer is not waited for: it is released and
    // frees itself when its thread ends.
    if (reader) {
        reader->setObserver(nullptr);
        reader->stop();
    }
    if (render)
        render->setObserver(nullptr);
    defaultRender = nullptr;
    // Each stage's stop() stops, wakes and joins its own threads.
    JXThread::halt(render);
    JXThread::halt(decoder);
    JXPlayerReader::release(reader);
    reader = nullptr;
}

bool JXPlayer::isOpened()
{
    return reader != nullptr;
}

void JXPlayer::play()
{
    if (reader)
        reader->play();
    if (decoder)
        decoder->play();
    if (render)
        render->start();
}

void JXPlayer::pause()
{
    if (render)
        render->stop();
    if (decoder)
        decoder->pause();
    if (reader)
        reader->pause();
}

bool JXPlayer::isPlaying()
{
    return render && render->isRunning();
}

void JXPlayer::seek(double seconds)
{
    if (reader)
        reader->seek(seconds);
}

void JXPlayer::flush()
{
    if (render)
        render->resetClock();
    if (decoder)
        decoder->flush();
    if (reader)
        reader->flush();
}

double JXPlayer::position()
{
    return render ? render->currentTime() : 0.0;
}

double JXPlayer::duration()
{
    return reader ? reader->duration() : 0.0;
}

JXPlayerReader *JXPlayer::createReader()
{
    return new JXPlayerReader;
}

JXPlayerDecoder *JXPlayer::createDecoder()
{
    return new JXPlayerDecoder;
}

JXPlayerRender *JXPlayer::createRender()
{
    return makeDefaultRender(new JXPcmPlayer);
}

void JXPlayer::onRenderEvent(JXPlayerRender *, int event)
{
    switch (event) {
    case JXPlayerRenderObserver::kFirstFrame:
        _raise(JXPlayerObserver::kFirstFrame, 0, 0);
        break;
    case JXPlayerRenderObserver::kPlayEnded:
        _raise(JXPlayerObserver::kEnded, 0, 0);
        break;
    case JXPlayerRenderObserver::kNextFrame: {
        const double total = duration();
        _raise(JXPlayerObserver::kFrame, position(), total);
        break;
    }
    default:
        break;
    }
}

int JXPlayer::open(const QByteArray &url)
{
    this->url = url;
    return open();
}

void JXPlayer::setRealtime(bool realtime)
{
    this->realtime = realtime;
    if (reader)
        reader->setRealtime(realtime);
}

void JXPlayer::setHwDeviceType(int type)
{
    hwDeviceType = type;
    if (decoder)
        decoder->setHwDeviceType(type);
}

void JXPlayer::setObserver(JXPlayerObserver *observer)
{
    this->observer = observer;
}

void JXPlayer::setVideoView(JXVideoView *view)
{
    videoView = view;
    if (defaultRender)
        defaultRender->setVideoView(view);
}

void JXPlayer::setVolume(double volume)
{
    this->volume = volume;
    if (render)
        render->setVolume(volume);
}

void JXPlayer::setTimeout(double seconds)
{
    timeout = seconds;
}

void JXPlayer::setProtocolWhitelist(const QByteArray &protocols)
{
    protocolWhitelist = protocols;
}

JXPlayerDefaultRender *JXPlayer::makeDefaultRender(JXPcmPlayer *pcmPlayer)
{
    defaultRender = new JXPlayerDefaultRender(pcmPlayer);
    return defaultRender;
}

void JXPlayer::_raise(int event, double value1, double value2)
{
    if (JXPlayerObserver *receiver = observer.load())
        receiver->onPlayerEvent(this, event, value1, value2);
}
