#include "UI/CVWidget.h"

CVWidget::CVWidget(QWidget *parent) : JXWidget(parent)
{}

QString CVWidget::text() const
{
    return QString();
}
