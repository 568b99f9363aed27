#include "JXWidget/JXLabel.h"

#include <QPainter>

JXLabel::JXLabel(QWidget *parent) : JXWidget(parent)
{}

void JXLabel::setText(const QString &text)
{
    labelText = text;
    update();
}

void JXLabel::setTextColor(const QColor &color)
{
    textColor = color;
    update();
}

void JXLabel::setMargins(int left, int top, int right, int bottom)
{
    marginLeft = left;
    marginTop = top;
    marginRight = right;
    marginBottom = bottom;
}

QSize JXLabel::sizeHint() const
{
    const QSize textSize = fontMetrics().size(alignment, labelText);
    return textSize + QSize(marginLeft + marginRight, marginTop + marginBottom);
}

void JXLabel::paintEvent(QPaintEvent *event)
{
    JXWidget::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(textColor);
    const QRect inner(marginLeft, marginTop, width() - marginLeft - marginRight,
                      height() - marginTop - marginBottom);
    painter.drawText(inner, alignment, labelText);
}

void JXLabel::mousePressEvent(QMouseEvent *event)
{
    JXWidget::mousePressEvent(event);
    emit clicked();
}
