#include "UI/VeltoDeviceVideoView.h"

#include "JXPlayer/JXPlayer.h"
#include "JXUtils/JXConfigure.h"
#include "JXVideoView/JXDirectVideoView.h"
#include "JXWidget/JXLabel.h"
#include "JXWidget/JXPixmapsButton.h"
#include "JXWidget/JXProgress.h"

#include <QMetaObject>
#include <QThread>

#include <cstdio>

extern "C" {
#include <libavutil/hwcontext.h>
}

namespace {
// The platform's hardware decoding device, by FFmpeg's name.
constexpr char kHardwareDeviceName[] = "vaapi";
// Qt::AlignRight | Qt::AlignVCenter.
constexpr int kTimeAlignment = 130;
constexpr int kButtonWidth = 20;
constexpr int kBarHeight = 30;
} // namespace

VeltoDeviceVideoView::VeltoDeviceVideoView(QWidget *parent)
    : JXWidget(parent), player(new JXPlayer), view(new JXDirectVideoView(this)),
      playButton(new JXPixmapsButton(this)), soundButton(new JXPixmapsButton(this)),
      timeLabel(new JXLabel(this)), spinner(new JXProgress(this))
{
    setBackgroundColor(QColor(0, 0, 0, 255));
    view->setObjectName("view");
    playButton->setObjectName("playButton");
    playButton->setPixmaps(":/resources/play.png", ":/resources/pause.png", kButtonWidth);
    soundButton->setObjectName("soundButton");
    soundButton->setPixmaps(":/resources/audio.png", ":/resources/audio_mute.png", kButtonWidth);
    timeLabel->setObjectName("timeLabel");
    timeLabel->setTextColor(Qt::white);
    timeLabel->setAlignment(kTimeAlignment);
    spinner->setObjectName("spinner");
    spinner->setColor(Qt::white);
    spinner->hide();
    connect(playButton, &JXPixmapsButton::clicked, this, &VeltoDeviceVideoView::onPlayClicked);
    connect(soundButton, &JXPixmapsButton::clicked, this, &VeltoDeviceVideoView::onSoundClicked);

    player->setVideoView(view);
    player->setVolume(1.0);
    player->setObserver(this);
    player->setRealtime(true);
    player->setHwDeviceType(configuredHardwareType());
}

VeltoDeviceVideoView::~VeltoDeviceVideoView()
{
    player->close();
    delete player;
}

int VeltoDeviceVideoView::configuredHardwareType()
{
    if (!JXConfigure().hardwareDecoding())
        return AV_HWDEVICE_TYPE_NONE;
    return av_hwdevice_find_type_by_name(kHardwareDeviceName);
}

void VeltoDeviceVideoView::play(const QString &url)
{
    this->url = url;
    _open();
}

void VeltoDeviceVideoView::stop()
{
    _close();
    spinner->stopAnimation();
    playButton->setState(0);
    view->clearFrame();
    timeLabel->setText(QString());
}

bool VeltoDeviceVideoView::isOpened()
{
    return player->isOpened();
}

void VeltoDeviceVideoView::_open()
{
    _close();
    player->setHwDeviceType(configuredHardwareType());
    player->open(url.toUtf8());
    playButton->setState(1);
    spinner->startAnimation();
}

void VeltoDeviceVideoView::_close()
{
    // close joins every pipeline thread, so no event raised after this names the old run.
    player->close();
    ++run;
}

void VeltoDeviceVideoView::onPlayClicked()
{
    if (playButton->state() == 1) {
        stop();
        return;
    }
    if (!url.isEmpty())
        _open();
}

void VeltoDeviceVideoView::onSoundClicked()
{
    const int muted = soundButton->state();
    soundButton->setState(muted == 0);
    player->setVolume(muted == 1 ? 1.0 : 0.0);
}

void VeltoDeviceVideoView::onPlayerEvent(JXPlayer *, int type, double value1, double value2)
{
    if (QThread::currentThread() != thread()) {
        const int eventRun = run.load();
        QMetaObject::invokeMethod(
            this,
            [this, eventRun, type, value1, value2] { _deliver(eventRun, type, value1, value2); },
            Qt::QueuedConnection);
        return;
    }
    updatePlay(type, value1, value2);
}

void VeltoDeviceVideoView::_deliver(int eventRun, int type, double current, double total)
{
    if (eventRun == run.load())
        updatePlay(type, current, total);
}

void VeltoDeviceVideoView::updatePlay(int type, double current, double)
{
    switch (type) {
    case JXPlayerObserver::kOpened:
        timeLabel->setText("00:00:00");
        break;
    case JXPlayerObserver::kOpenFailed:
        // Nothing is loading any more; a turning spinner over black would say otherwise.
        timeLabel->setText(QString());
        playButton->setState(0);
        spinner->stopAnimation();
        view->clearFrame();
        break;
    case JXPlayerObserver::kFirstFrame:
        spinner->stopAnimation();
        break;
    case JXPlayerObserver::kEnded:
        timeLabel->setText(QString());
        spinner->stopAnimation();
        break;
    case JXPlayerObserver::kFrame: {
        // Truncated toward zero; a time that does not fit (or NaN) leaves the label alone.
        if (!(current > -1.0 && current < 2147483648.0))
            break;
        const int s = static_cast<int>(current);
        char text[16];
        snprintf(text, sizeof text, "%02d:%02d:%02d", s / 3600, s % 3600 / 60, s % 60);
        timeLabel->setText(QString::fromLatin1(text));
        break;
    }
    default:
        break;
    }
}

void VeltoDeviceVideoView::resizeEvent(QResizeEvent *event)
{
    JXWidget::resizeEvent(event);
    _layout();
}

void VeltoDeviceVideoView::_layout()
{
    const int w = width();
    const int h = height();
    view->setGeometry(0, 0, w, h - kBarHeight);
    playButton->setGeometry(10, h - 25, kButtonWidth, kButtonWidth);
    soundButton->setGeometry(playButton->geometry().right() + 1 + 10, h - 25, kButtonWidth,
                             kButtonWidth);
    timeLabel->setGeometry(w - 100, h - 25, 80, 20);
    spinner->setGeometry((w - 30) / 2, (h - 60) / 2, 30, 30);
}
