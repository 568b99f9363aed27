#pragma once

#include "JXPlayer/JXPlayerObserver.h"
#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXWidget.h"

#include <QString>
#include <QTimer>

#include <atomic>

class JXDirectVideoView;
class JXLabel;
class JXPixmapsButton;
class JXPlayer;
class JXProgress;

// The main window's preview pane: plays a device's RTSP stream into a video view, with a
// play/pause button, a sound button, the elapsed time and a spinner while the stream starts.
// A stream that ends or does not open is tried again, with growing pauses, until the
// operator pauses or another address is played; one whose login is refused is not, and
// says so on the picture.
class VeltoDeviceVideoView : public JXWidget, public JXLocalize, public JXPlayerObserver
{
    Q_OBJECT

public:
    explicit VeltoDeviceVideoView(QWidget *parent = nullptr);
    ~VeltoDeviceVideoView() override;

    // Plays url (the device's "rtsppath1"), ending whatever played before. An address that
    // isStreamAddress() refuses is logged and ends like a failed open, without retries.
    void play(const QString &url);
    // Ends the preview and any retry: black picture, no time, button on "play". The url is
    // kept for the play button.
    void stop();
    bool isOpened();
    // The address last given to play().
    QString address() const { return url; }

    // Pipeline threads: passed on to updatePlay on the GUI thread.
    void onPlayerEvent(JXPlayer *player, int type, double value1, double value2) override;
    void languageChanged() override;

    // Hardware device type for the decoder from the "hardware" setting: the platform's
    // device (DXVA2 on Windows, VAAPI elsewhere) when on, 0 (software) when off or when this
    // FFmpeg has no such device.
    static int configuredHardwareType();
    // Whether a device's address may be played: "rtsp://" with a host, printable ASCII,
    // of bounded length. Anything else could name a local file, a pipe or another service.
    static bool isStreamAddress(const QString &url);
    // Milliseconds before retry number attempt (0 for the first) of a lost stream.
    static int retryDelayMs(int attempt);

    // Longest address played; devices report addresses of a few dozen characters.
    static constexpr int kMaxAddressLength = 1024;

public slots:
    void updatePlay(int type, double current, double total);

protected:
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void onPlayClicked();
    void onSoundClicked();
    // The queued form of onPlayerEvent: events of a pipeline that has since been closed
    // are dropped, so they cannot touch the controls of the next stream.
    void _deliver(int run, int type, double current, double total);

private:
    void _open();
    void _close();
    void _layout();
    // After a failed open or the end of the stream: true when another try is planned.
    bool _scheduleRetry();
    void _cancelRetry();

    // What the band across the picture says, if anything.
    enum Notice
    {
        NoNotice,
        Reconnecting,
        LoginRefused
    };
    void _showNotice(Notice shown);
    QString _noticeText() const;

    QString url;                  // GUI thread; empty: nothing to replay
    JXPlayer *player;             // owned; GUI thread
    JXDirectVideoView *view;      // child widget
    JXPixmapsButton *playButton;  // child widget; state 1 = playing
    JXPixmapsButton *soundButton; // child widget; state 1 = muted
    JXLabel *timeLabel;           // child widget
    JXProgress *spinner;          // child widget
    JXLabel *noticeLabel;         // child widget; shown while notice is not NoNotice
    Notice notice = NoNotice;     // GUI thread
    QTimer retryTimer;            // single shot; GUI thread
    int retryAttempt = 0;         // retries since the last play or picture; GUI thread
    // Bumped on the GUI thread by every close; read by the pipeline threads, which all
    // run between an open and the next close.
    std::atomic<int> run{0};
};
