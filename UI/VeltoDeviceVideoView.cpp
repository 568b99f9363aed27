#include "UI/VeltoDeviceVideoView.h"

#include "JXPlayer/JXPlayer.h"
#include "JXPlayer/JXPlayerReader.h"
#include "JXUtils/JXConfigure.h"
#include "JXVideoView/JXDirectVideoView.h"
#include "JXWidget/JXLabel.h"
#include "JXWidget/JXPixmapsButton.h"
#include "JXWidget/JXProgress.h"
#include "Velto/VeltoDatagram.h"

#include <QDebug>
#include <QMetaObject>
#include <QThread>
#include <QUrl>

#include <climits>
#include <cstdio>
#include <iterator>

extern "C" {
#include <libavutil/hwcontext.h>
}

namespace {
// The platform's hardware decoding device, by FFmpeg's name (UI/CMakeLists.txt).
constexpr char kHardwareDeviceName[] = LANKIT_HW_DEVICE_NAME;
// Qt::AlignRight | Qt::AlignVCenter.
constexpr int kTimeAlignment = 130;

// The control bar under the picture.
constexpr int kBarHeight = 30;
// Buttons and the time label sit this far above the pane's bottom edge, so the 20-pixel
// controls leave 5 pixels below them and 5 above inside the bar.
constexpr int kControlTop = 25;
constexpr int kButtonWidth = 20;
constexpr int kControlHeight = 20;
constexpr int kControlMargin = 10; // left of the play button and between the buttons
constexpr int kTimeLabelWidth = 80;
// The time label's right edge keeps 20 pixels from the pane's: its left edge is 100 from it.
constexpr int kTimeLabelRight = 100;
constexpr int kSpinnerSide = 30;
// The spinner is centred on the pane less the bar and the spinner's own height: the
// design's (h - 60) / 2, not the picture's centre.
constexpr int kSpinnerCentreOffset = 60;
// The notice (reconnecting, login refused): a band across the picture, centred where the
// spinner is.
constexpr int kNoticeHeight = 24;

// Protocols an RTSP session over TCP or UDP opens beneath the demuxer: the control and
// interleaved connection (tcp), and RTP over UDP (rtp, udp). No file, pipe or http.
constexpr char kStreamProtocols[] = "tcp,udp,rtp";
// Pauses before the retries of a lost stream; the last one repeats. Short enough that a
// camera back from a restart shows its picture within a few seconds.
constexpr int kRetryDelaysMs[] = {1000, 2000, 4000};
// An address in the log is cut to this many characters.
constexpr int kLoggedAddressLength = 200;

// The address as the log may show it: cut short, control bytes escaped.
QByteArray loggableAddress(const QString &url)
{
    QByteArray text = VeltoDatagram::loggable(url.left(kLoggedAddressLength).toUtf8());
    if (url.size() > kLoggedAddressLength)
        text += "... (" + QByteArray::number(url.size()) + " characters)";
    return text;
}

// Whether the error an open failure carries is a refused login; any other value is not.
bool loginRefused(double error)
{
    return error < 0 && error > INT_MIN && JXPlayerReader::isLoginRefused(static_cast<int>(error));
}
} // namespace

VeltoDeviceVideoView::VeltoDeviceVideoView(QWidget *parent)
    : JXWidget(parent), player(new JXPlayer), view(new JXDirectVideoView(this)),
      playButton(new JXPixmapsButton(this)), soundButton(new JXPixmapsButton(this)),
      timeLabel(new JXLabel(this)), spinner(new JXProgress(this)), noticeLabel(new JXLabel(this))
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
    noticeLabel->setObjectName("noticeLabel");
    noticeLabel->setTextColor(Qt::white);
    noticeLabel->setBackgroundColor(QColor(0, 0, 0, 0));
    noticeLabel->hide();
    retryTimer.setSingleShot(true);
    connect(&retryTimer, &QTimer::timeout, this, &VeltoDeviceVideoView::_open);
    languageChanged();
    connect(playButton, &JXPixmapsButton::clicked, this, &VeltoDeviceVideoView::onPlayClicked);
    connect(soundButton, &JXPixmapsButton::clicked, this, &VeltoDeviceVideoView::onSoundClicked);

    player->setVideoView(view);
    player->setVolume(1.0);
    player->setObserver(this);
    player->setRealtime(true);
    player->setHwDeviceType(configuredHardwareType());
    player->setProtocolWhitelist(kStreamProtocols);
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

bool VeltoDeviceVideoView::isStreamAddress(const QString &url)
{
    if (url.isEmpty() || url.size() > kMaxAddressLength ||
        !url.startsWith(QLatin1String("rtsp://")))
        return false;
    for (const QChar c : url) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f)
            return false;
    }
    const QUrl parsed(url, QUrl::StrictMode);
    return parsed.isValid() && parsed.scheme() == QLatin1String("rtsp") && !parsed.host().isEmpty();
}

int VeltoDeviceVideoView::retryDelayMs(int attempt)
{
    constexpr int last = static_cast<int>(std::size(kRetryDelaysMs)) - 1;
    return kRetryDelaysMs[qBound(0, attempt, last)];
}

void VeltoDeviceVideoView::languageChanged()
{
    noticeLabel->setText(_noticeText());
}

QString VeltoDeviceVideoView::_noticeText() const
{
    switch (notice) {
    case Reconnecting:
        return translate(QStringLiteral("Reconnecting…"));
    case LoginRefused:
        return translate(QStringLiteral("The camera refused the user name or password"));
    default:
        return QString();
    }
}

void VeltoDeviceVideoView::_showNotice(Notice shown)
{
    notice = shown;
    noticeLabel->setText(_noticeText());
    noticeLabel->setVisible(shown != NoNotice);
    noticeLabel->raise();
}

void VeltoDeviceVideoView::play(const QString &url)
{
    this->url = url;
    retryAttempt = 0;
    if (!isStreamAddress(url)) {
        qDebug("not a stream address, not played: \"%s\"", loggableAddress(url).constData());
        stop();
        return;
    }
    _open();
}

void VeltoDeviceVideoView::stop()
{
    _cancelRetry();
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
    _showNotice(NoNotice);
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

bool VeltoDeviceVideoView::_scheduleRetry()
{
    // Only a stream the operator still wants: a pause or stop has cancelled the timer and
    // set the button to "play", and a refused address never opened.
    if (playButton->state() != 1 || !isStreamAddress(url))
        return false;
    retryTimer.start(retryDelayMs(retryAttempt++));
    _showNotice(Reconnecting);
    return true;
}

void VeltoDeviceVideoView::_cancelRetry()
{
    retryTimer.stop();
    _showNotice(NoNotice);
}

void VeltoDeviceVideoView::onPlayClicked()
{
    if (playButton->state() == 1) {
        stop();
        return;
    }
    if (!url.isEmpty())
        play(url);
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
        // While a retry is planned the button stays on "pause", which cancels it. A refused
        // login is not tried again: the password will not change by itself, and cameras
        // lock an account after a few wrong ones.
        timeLabel->setText(QString());
        spinner->stopAnimation();
        view->clearFrame();
        if (loginRefused(current)) {
            qDebug("the camera refused the user name or password; not tried again");
            _showNotice(LoginRefused);
        } else if (_scheduleRetry())
            break;
        playButton->setState(0);
        break;
    case JXPlayerObserver::kFirstFrame:
        spinner->stopAnimation();
        retryAttempt = 0;
        break;
    case JXPlayerObserver::kEnded:
        timeLabel->setText(QString());
        spinner->stopAnimation();
        _scheduleRetry();
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
    playButton->setGeometry(kControlMargin, h - kControlTop, kButtonWidth, kControlHeight);
    soundButton->setGeometry(playButton->geometry().right() + 1 + kControlMargin, h - kControlTop,
                             kButtonWidth, kControlHeight);
    timeLabel->setGeometry(w - kTimeLabelRight, h - kControlTop, kTimeLabelWidth, kControlHeight);
    const int spinnerTop = (h - kSpinnerCentreOffset) / 2;
    spinner->setGeometry((w - kSpinnerSide) / 2, spinnerTop, kSpinnerSide, kSpinnerSide);
    noticeLabel->setGeometry(0, spinnerTop + (kSpinnerSide - kNoticeHeight) / 2, w, kNoticeHeight);
}
