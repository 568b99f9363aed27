#include "JXWidget/JXProgress.h"

#include <QPainter>
#include <QTimerEvent>

namespace {
const int kBarCount = 12;
const int kDegreesPerBar = 360 / kBarCount;
} // namespace

JXProgress::Bars JXProgress::barsFor(int side)
{
    Bars bars;
    bars.outer = (side - 1) / 2;
    bars.length = bars.outer - static_cast<int>(bars.outer * 0.38);
    const double thickness = side <= 32 ? 0.35 : 0.23;
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
    return QSize(25, 25);
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
