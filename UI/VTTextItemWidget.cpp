#include "UI/VTTextItemWidget.h"

#include <QLabel>

VTTextItemWidget::VTTextItemWidget(QWidget *parent) : CVWidget(parent), label(new QLabel(this))
{
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    // A device may send any text; the label never asks the cell for more room.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    label->setTextFormat(Qt::PlainText);
}

void VTTextItemWidget::setText(const QString &text)
{
    label->setText(text);
}

QString VTTextItemWidget::text() const
{
    return label->text();
}

void VTTextItemWidget::resizeEvent(QResizeEvent *event)
{
    CVWidget::resizeEvent(event);
    label->setGeometry(0, 0, width(), height());
}
