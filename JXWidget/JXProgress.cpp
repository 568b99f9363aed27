#include "JXWidget/JXProgress.h"

#include <QPainter>
#include <QTimerEvent>

namespace {
constexpr int kBarCount = 12;
constexpr int kDegreesPerBar = 360 / kBarCount;
constexpr int kPreferredSide = 25;
// Each bar runs from the outer radius inwards, leaving this share of it free in the middle.
constexpr double kHubShare = 0.38;
// A bar's width as a share of its length: stouter on small spinners, so they stay legible.
constexpr int kLargestSmallSide = 32;
constexpr double kSmallBarWidthShare = 0.35;
constexpr double kLargeBarWidthShare = 0.23;
} // namespace

JXProgress::Bars JXProgress::barsFor(int side)
{
    Bars bars;
    bars.outer = (side - 1) / 2;
    bars.length = bars.outer - static_cast<int>(bars.outer * kHubShare);
    const double thickness = side <= kLargestSmallSide ? kSmallBarWidthShare : kLargeBarWidthShare;
    bars.width = static_cast<int>(bars.length * thickness);
    return bars;
}

JXProgress::JXProgress(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
}

QSize JXProgress::sizeHint() const
{
    return QSize(kPreferredSide, kPreferredSide);
}

void JXProgress::startAnimation()
{
    show();
    angle = 0;
    if (timerId == -1)
        timerId = startTimer(delay, Qt::CoarseTimer);
}

void JXProgress::stopAnimation()
{
    stopTimer();
    hide();
    update();
}

void JXProgress::setAnimationDelay(int delay)
{
    const bool running = timerId != -1;
    stopTimer();
    this->delay = delay;
    if (running)
        timerId = startTimer(delay, Qt::CoarseTimer);
}

void JXProgress::setDisplayedWhenStopped(bool state)
{
    displayedWhenStopped = state;
    update();
}

void JXProgress::setColor(const QColor &color)
{
    barColor = color;
    update();
}

void JXProgress::onProgress(short progress)
{
    this->progress = progress;
}

void JXProgress::stopTimer()
{
    if (timerId != -1)
        killTimer(timerId);
    timerId = -1;
}

void JXProgress::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != timerId)
        return;
    angle = (angle + kDegreesPerBar) % 360;
    update();
}

void JXProgress::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!displayedWhenStopped && timerId == -1) {
        painter.drawPixmap(rect(), pixmap);
        return;
    }
    if (progress >= 1 && progress <= 99) {
        painter.setPen(barColor);
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("%1%").arg(progress));
    } else if (progress == 100) {
        stopTimer();
        hide();
        update();
    }
    paintBars(painter);
}

void JXProgress::paintBars(QPainter &painter)
{
    const Bars bars = barsFor(qMin(width(), height()));
    const int halfWidth = bars.width / 2;
    painter.setPen(Qt::NoPen);
    painter.translate(width() / 2.0, height() / 2.0);
    for (int i = 0; i < kBarCount; ++i) {
        QColor color = barColor;
        color.setAlphaF(1.0 - static_cast<double>(i) / kBarCount);
        painter.setBrush(color);
        painter.save();
        painter.rotate(angle - kDegreesPerBar * i);
        painter.drawRoundedRect(-halfWidth, -bars.outer, bars.width, bars.length, halfWidth,
                                halfWidth, Qt::AbsoluteSize);
        painter.restore();
    }
}
