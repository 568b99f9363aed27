#include "JXWidget/JXPixmapButton.h"

#include "JXWidget/JXImageCache.h"

#include <QPainter>

JXPixmapButton::JXPixmapButton(QWidget *parent) : JXWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
}

void JXPixmapButton::setPixmap(const QString &path, int width)
{
    this->path = path;
    this->width = width;
    update();
}

QSize JXPixmapButton::sizeHint() const
{
    return JXImageCache::buttonSizeHint(path, width);
}

void JXPixmapButton::paintEvent(QPaintEvent *event)
{
    JXWidget::paintEvent(event);
    QPainter painter(this);
    JXImageCache::draw(painter, rect(), path, width);
}

void JXPixmapButton::mouseReleaseEvent(QMouseEvent *event)
{
    JXWidget::mouseReleaseEvent(event);
    emit clicked();
}
