#include "JXWidget/JXPixmapsButton.h"

#include "JXWidget/JXImageCache.h"

#include <QPainter>

JXPixmapsButton::JXPixmapsButton(QWidget *parent) : JXWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
}

void JXPixmapsButton::setPixmaps(const QString &path0, const QString &path1, int width)
{
    this->path0 = path0;
    this->path1 = path1;
    this->width = width;
}

void JXPixmapsButton::setState(int state)
{
    currentState = state;
    update();
}

QSize JXPixmapsButton::sizeHint() const
{
    return JXImageCache::buttonSizeHint(path0, width);
}

void JXPixmapsButton::paintEvent(QPaintEvent *event)
{
    JXWidget::paintEvent(event);
    QPainter painter(this);
    JXImageCache::draw(painter, rect(), currentState != 0 ? path1 : path0, width);
}

void JXPixmapsButton::mouseReleaseEvent(QMouseEvent *event)
{
    JXWidget::mouseReleaseEvent(event);
    emit clicked();
}
