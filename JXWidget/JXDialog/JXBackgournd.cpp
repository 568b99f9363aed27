#include "JXWidget/JXDialog/JXBackgournd.h"

#include "JXWidget/JXWidget.h"

#include <QPainter>

void JXBackgournd::paintBackground(QPainter *painter, int width, int height)
{
    painter->setPen(borderWidth >= 1 ? borderColor : QColor(255, 255, 255, 0));
    painter->setBrush(backgroundColor);
    painter->drawPath(JXWidget::outlinePath(width, height, radius));
}
