#include "JXWidget/JXWidget.h"

#include <QPainter>

JXWidget::JXWidget(QWidget *parent) : QWidget(parent)
{}

void JXWidget::setBackgroundColor(const QColor &color)
{
    backgroundColor = color;
    update();
}

void JXWidget::setBorder(int radius, int width, const QColor &color)
{
    this->radius = radius;
    borderWidth = width;
    borderColor = color;
    update();
}

QPainterPath JXWidget::outlinePath(int width, int height, int radius)
{
    QPainterPath path;
    if (radius <= 0) {
        path.moveTo(0, 0);
        path.lineTo(width, 0);
        path.lineTo(width, height);
        path.lineTo(0, height);
        path.lineTo(0, 0);
        return path;
    }
    const int d = 2 * radius;
    path.moveTo(radius, 0);
    path.arcTo(0, 0, d, d, 90, 90);
    path.lineTo(0, height - radius);
    path.arcTo(0, height - d, d, d, 180, 90);
    path.lineTo(width - radius, height);
    path.arcTo(width - d, height - d, d, d, 270, 90);
    path.lineTo(width, radius);
    path.arcTo(width - d, 0, d, d, 0, 90);
    path.lineTo(radius, 0);
    return path;
}

void JXWidget::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (borderWidth < 1)
        painter.setPen(QColor(255, 255, 255, 0));
    else
        painter.setPen(QPen(borderColor, borderWidth));
    painter.setBrush(backgroundColor);
    painter.drawPath(outlinePath(width(), height(), radius));
}
