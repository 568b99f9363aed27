#pragma once

#include "JXVideoView/JXVideoView.h"

#include <QImage>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <mutex>

struct SwsContext;

// The program's video view: the latest frame is converted and scaled once, with swscale,
// into an image of the target child's size, and the target paints that image. The target is
// kept at the video's aspect ratio; the view paints black around it.
class JXDirectVideoView : public QWidget, public JXVideoView
{
    Q_OBJECT

public:
    explicit JXDirectVideoView(QWidget *parent = nullptr);
    ~JXDirectVideoView() override;

    // Any thread: hold a reference to frame (or nothing), then ask for a draw.
    void renderFrame(AVFrame *frame) override;
    // Any thread: drop the held frame; the view turns black.
    void clearFrame() override;

    // The target's place for a video of videoSize in a widget of widgetSize: the video's
    // aspect ratio, centred; the whole widget when either size is empty.
    static QRect fitTarget(const QSize &widgetSize, const QSize &videoSize);
    // The shape frame is meant to be seen in: its size with the width scaled by its sample
    // aspect ratio (when it has a believable one).
    static QSize displaySize(const AVFrame *frame);

    // GUI thread. How often the scaling context and the target image were (re)built.
    int scalerBuilds() const { return scalerBuildCount; }
    int imageBuilds() const { return imageBuildCount; }

public slots:
    // Off the view's thread: queues one call to itself (calls queued meanwhile merge). On
    // the view's thread: converts the latest frame, unless it was already drawn.
    void notifyUpdate();

signals:
    // GUI thread: a new picture reached the screen; pts is its frame's presentation stamp.
    void framePainted(qint64 pts);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool _takeLatest();
    void _draw();
    void _showBlack();
    const AVFrame *_systemMemoryFrame();
    bool _prepareScaler(const AVFrame *source);
    bool _convert(const AVFrame *source);
    void _refit();
    void _paintTarget();
    void _conversionFailed(const char *step, int code);

    QWidget *target; // owned child; GUI thread

    // The frame hand-over between the render thread and the GUI thread. A std::mutex, which
    // ThreadSanitizer understands, rather than QMutex.
    std::mutex mutex;
    AVFrame *frame;                        // owned; under mutex: the latest frame, or blank
    quint64 generation = 0;                // under mutex: bumped by renderFrame and clearFrame
    std::atomic<bool> updateQueued{false}; // a queued notifyUpdate has not run yet

    // Drawing state: GUI thread only.
    quint64 drawnGeneration = 0;
    AVFrame *drawFrame;     // owned; the reference taken for one draw
    AVFrame *transferFrame; // owned; system-memory copy of a hardware frame
    int pixelFormat = -1;   // AVPixelFormat the scaler was made for; -1 = none
    int videoWidth = 0;     // display size of the last frame drawn (see displaySize)
    int videoHeight = 0;
    SwsContext *scaler = nullptr; // owned
    bool scalerTried = false;     // scalerKey names the last attempt to make scaler
    struct ScalerKey
    {
        int sourceWidth, sourceHeight, sourceFormat, colorSpace, colorRange;
        int targetWidth, targetHeight;
        bool operator==(const ScalerKey &other) const;
    } scalerKey{};
    QImage image;            // target's size; null = black
    qint64 imagePts = 0;     // of the picture in image
    bool imageFresh = false; // image not painted yet
    bool failureLogged = false;
    int scalerBuildCount = 0;
    int imageBuildCount = 0;
};
