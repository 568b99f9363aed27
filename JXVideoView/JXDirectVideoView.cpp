#include "JXVideoView/JXDirectVideoView.h"

#include <QDebug>
#include <QEvent>
#include <QMetaObject>
#include <QPainter>
#include <QThread>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/hwcontext.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {
// The image format swscale writes and the target paints without another conversion.
constexpr AVPixelFormat kImagePixelFormat = AV_PIX_FMT_BGRA;
constexpr QImage::Format kImageFormat = QImage::Format_RGB32;
// A sample aspect ratio that would widen the picture beyond this is not believed.
constexpr int64_t kMaxDisplayWidth = 16384;

bool isYuv(AVPixelFormat format)
{
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(format);
    return desc && !(desc->flags & AV_PIX_FMT_FLAG_RGB) && desc->nb_components >= 3;
}
} // namespace

bool JXDirectVideoView::ScalerKey::operator==(const ScalerKey &other) const
{
    return sourceWidth == other.sourceWidth && sourceHeight == other.sourceHeight &&
           sourceFormat == other.sourceFormat && colorSpace == other.colorSpace &&
           colorRange == other.colorRange && targetWidth == other.targetWidth &&
           targetHeight == other.targetHeight;
}

JXDirectVideoView::JXDirectVideoView(QWidget *parent)
    : QWidget(parent), target(new QWidget(this)), frame(av_frame_alloc()),
      drawFrame(av_frame_alloc()), transferFrame(av_frame_alloc())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    target->setObjectName("target");
    // The target is painted entirely by eventFilter; Qt need not clear it first.
    target->setAttribute(Qt::WA_OpaquePaintEvent);
    target->installEventFilter(this);
}

JXDirectVideoView::~JXDirectVideoView()
{
    sws_freeContext(scaler);
    av_frame_free(&transferFrame);
    av_frame_free(&drawFrame);
    av_frame_free(&frame);
}

void JXDirectVideoView::renderFrame(AVFrame *source)
{
    {
        std::lock_guard<std::mutex> guard(mutex);
        av_frame_unref(frame);
        if (source && av_frame_ref(frame, source) < 0)
            av_frame_unref(frame);
        ++generation;
    }
    notifyUpdate();
}

void JXDirectVideoView::clearFrame()
{
    {
        std::lock_guard<std::mutex> guard(mutex);
        av_frame_unref(frame);
        ++generation;
    }
    notifyUpdate();
}

void JXDirectVideoView::notifyUpdate()
{
    if (QThread::currentThread() != thread()) {
        // One queued call is enough: it draws whatever frame is latest when it runs.
        if (!updateQueued.exchange(true))
            QMetaObject::invokeMethod(this, &JXDirectVideoView::notifyUpdate, Qt::QueuedConnection);
        return;
    }
    // Cleared before the frame is taken, so a frame that arrives during this draw queues
    // a call of its own.
    updateQueued = false;
    _draw();
}

QRect JXDirectVideoView::fitTarget(const QSize &widgetSize, const QSize &videoSize)
{
    const qint64 w = widgetSize.width();
    const qint64 h = widgetSize.height();
    const qint64 videoW = videoSize.width();
    const qint64 videoH = videoSize.height();
    if (w <= 0 || h <= 0 || videoW <= 0 || videoH <= 0)
        return QRect(QPoint(0, 0), widgetSize);
    if (h * videoW < w * videoH) {
        const int width = static_cast<int>(h * videoW / videoH);
        return QRect(static_cast<int>((w - width) / 2), 0, width, static_cast<int>(h));
    }
    const int height = static_cast<int>(w * videoH / videoW);
    return QRect(0, static_cast<int>((h - height) / 2), static_cast<int>(w), height);
}

QSize JXDirectVideoView::displaySize(const AVFrame *frame)
{
    // Cameras that send PAL/NTSC-sized pictures (704 x 576 at 12:11) mean them to be
    // stretched to their display aspect; widths are widened, heights never change.
    const AVRational sar = frame->sample_aspect_ratio;
    if (sar.num <= 0 || sar.den <= 0 || sar.num == sar.den)
        return QSize(frame->width, frame->height);
    const int64_t width = int64_t{frame->width} * sar.num / sar.den;
    if (width <= 0 || width > kMaxDisplayWidth)
        return QSize(frame->width, frame->height);
    return QSize(static_cast<int>(width), frame->height);
}

bool JXDirectVideoView::_takeLatest()
{
    std::lock_guard<std::mutex> guard(mutex);
    if (generation == drawnGeneration)
        return false;
    drawnGeneration = generation;
    av_frame_unref(drawFrame);
    // A reference, so the conversion runs without the lock and never holds up the render
    // thread; the decoder does not reuse a buffer that is still referenced.
    if (frame->width > 0 && frame->height > 0 && av_frame_ref(drawFrame, frame) < 0)
        av_frame_unref(drawFrame);
    return true;
}

void JXDirectVideoView::_draw()
{
    if (!_takeLatest())
        return;
    if (drawFrame->width <= 0 || drawFrame->height <= 0) {
        _showBlack();
        return;
    }
    if (const AVFrame *source = _systemMemoryFrame()) {
        const QSize shown = displaySize(source);
        if (shown.width() != videoWidth || shown.height() != videoHeight) {
            videoWidth = shown.width();
            videoHeight = shown.height();
            _refit();
        }
        if (_convert(source)) {
            imagePts = drawFrame->pts;
            imageFresh = true;
            failureLogged = false;
            // Painted now rather than at the next pass of the event loop: the picture is
            // on the screen before anything else queued gets the thread.
            target->repaint();
        }
    }
    av_frame_unref(transferFrame);
    av_frame_unref(drawFrame);
}

void JXDirectVideoView::_showBlack()
{
    sws_freeContext(scaler);
    scaler = nullptr;
    scalerTried = false;
    pixelFormat = -1;
    failureLogged = false;
    image = QImage();
    target->update();
    update();
}

const AVFrame *JXDirectVideoView::_systemMemoryFrame()
{
    if (!drawFrame->hw_frames_ctx)
        return drawFrame;
    const int result = av_hwframe_transfer_data(transferFrame, drawFrame, 0);
    if (result < 0) {
        _conversionFailed("av_hwframe_transfer_data", result);
        return nullptr;
    }
    av_frame_copy_props(transferFrame, drawFrame);
    return transferFrame;
}

bool JXDirectVideoView::_prepareScaler(const AVFrame *source)
{
    const auto format = static_cast<AVPixelFormat>(source->format);
    const ScalerKey key{source->width,       source->height,  source->format,  source->colorspace,
                        source->color_range, target->width(), target->height()};
    // A format swscale refused stays refused: no new attempt (and no new swscale
    // complaint) per frame.
    if (scalerTried && key == scalerKey)
        return scaler != nullptr;
    sws_freeContext(scaler);
    scalerTried = true;
    ++scalerBuildCount;
    scaler =
        sws_getContext(source->width, source->height, format, target->width(), target->height(),
                       kImagePixelFormat, SWS_BILINEAR, nullptr, nullptr, nullptr);
    pixelFormat = scaler ? source->format : -1;
    scalerKey = key;
    if (!scaler)
        return false;
    if (isYuv(format)) {
        // The stream's own matrix and range; swscale assumes BT.601 otherwise, which
        // shifts the colours of HD cameras.
        int *inverse = nullptr, *table = nullptr;
        int sourceRange = 0, targetRange = 0, brightness = 0, contrast = 0, saturation = 0;
        sws_getColorspaceDetails(scaler, &inverse, &sourceRange, &table, &targetRange, &brightness,
                                 &contrast, &saturation);
        sourceRange |= source->color_range == AVCOL_RANGE_JPEG;
        sws_setColorspaceDetails(scaler, sws_getCoefficients(source->colorspace), sourceRange,
                                 table, 1, brightness, contrast, saturation);
    }
    return true;
}

bool JXDirectVideoView::_convert(const AVFrame *source)
{
    if (target->width() <= 0 || target->height() <= 0)
        return false;
    if (!_prepareScaler(source)) {
        _conversionFailed("sws_getContext", AVERROR(EINVAL));
        return false;
    }
    if (image.size() != target->size()) {
        image = QImage(target->size(), kImageFormat);
        ++imageBuildCount;
    }
    uint8_t *planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int strides[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
    const int rows =
        sws_scale(scaler, source->data, source->linesize, 0, source->height, planes, strides);
    if (rows <= 0) {
        _conversionFailed("sws_scale", rows);
        return false;
    }
    return true;
}

void JXDirectVideoView::_conversionFailed(const char *step, int code)
{
    // Every later frame of a broken stream fails the same way; one line tells the story.
    if (failureLogged)
        return;
    failureLogged = true;
    qDebug("video conversion failure: %s = %d, format %d, %dx%d", step, code, drawFrame->format,
           drawFrame->width, drawFrame->height);
}

void JXDirectVideoView::_refit()
{
    target->setGeometry(fitTarget(size(), QSize(videoWidth, videoHeight)));
}

void JXDirectVideoView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
}

void JXDirectVideoView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    _refit();
}

bool JXDirectVideoView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == target && event->type() == QEvent::Paint) {
        _paintTarget();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void JXDirectVideoView::_paintTarget()
{
    QPainter painter(target);
    if (image.isNull()) {
        painter.fillRect(target->rect(), Qt::black);
        return;
    }
    // After a resize the old picture is stretched until the next frame is converted.
    if (image.size() == target->size())
        painter.drawImage(0, 0, image);
    else
        painter.drawImage(target->rect(), image);
    if (imageFresh) {
        imageFresh = false;
        emit framePainted(imagePts);
    }
}
