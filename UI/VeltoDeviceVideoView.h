#pragma once

#include "JXPlayer/JXPlayerObserver.h"
#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXWidget.h"

#include <QString>

#include <atomic>

class JXDirectVideoView;
class JXLabel;
class JXPixmapsButton;
class JXPlayer;
class JXProgress;

// The main window's preview pane: plays a device's RTSP stream into a video view, with a
// play/pause button, a sound button, the elapsed time and a spinner while the stream starts.
class VeltoDeviceVideoView : public JXWidget, public JXLocalize, public JXPlayerObserver
{
    Q_OBJECT

public:
    explicit VeltoDeviceVideoView(QWidget *parent = nullptr);
    ~VeltoDeviceVideoView() override;

    // Plays url (the device's "rtsppath1"), ending whatever played before.
    void play(const QString &url);
    // Ends the preview: black picture, no time, button on "play". The url is kept for the
    // play button.
    void stop();
    bool isOpened();

    // Pipeline threads: passed on to updatePlay on the GUI thread.
    void onPlayerEvent(JXPlayer *player, int type, double value1, double value2) override;

    // Hardware device type for the decoder from the "hardware" setting: VAAPI when on, 0
    // (software) when off or when this FFmpeg has no VAAPI.
    static int configuredHardwareType();

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

    QString url;                  // GUI thread; empty: nothing to replay
    JXPlayer *player;             // owned; GUI thread
    JXDirectVideoView *view;      // child widget
    JXPixmapsButton *playButton;  // child widget; state 1 = playing
    JXPixmapsButton *soundButton; // child widget; state 1 = muted
    JXLabel *timeLabel;           // child widget
    JXProgress *spinner;          // child widget
    // Bumped on the GUI thread by every close; read by the pipeline threads, which all
    // run between an open and the next close.
    std::atomic<int> run{0};
};
