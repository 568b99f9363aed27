#include "UI/VTCheckItemWidget.h"

#include <QCheckBox>

VTCheckItemWidget::VTCheckItemWidget(QWidget *parent) : CVWidget(parent), box(new QCheckBox(this))
{
    box->resize(box->sizeHint());
    // The table holds the keyboard for its rows (Space ticks the current one): a box per
    // row on screen in the tab chain would keep Tab inside the table for a screenful.
    box->setFocusPolicy(Qt::NoFocus);
    connect(box, &QCheckBox::clicked, this, [this](bool checked) { emit clicked(checked, row); });
}

void VTCheckItemWidget::setChecked(bool checked)
{
    box->setChecked(checked);
}

bool VTCheckItemWidget::isChecked() const
{
    return box->isChecked();
}

void VTCheckItemWidget::resizeEvent(QResizeEvent *event)
{
    CVWidget::resizeEvent(event);
    box->move((width() - box->width()) / 2, (height() - box->height()) / 2);
}
