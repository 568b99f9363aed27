#include "UI/QCheckBoxHeaderWidget.h"

#include <QCheckBox>

namespace {
// Distance of the check-all box from the top of the header, in pixels.
constexpr int kBoxTop = 5;
} // namespace

QCheckBoxHeaderWidget::QCheckBoxHeaderWidget(Qt::Orientation orientation, QWidget *parent)
    : QHeaderView(orientation, parent), box(new QCheckBox(viewport()))
{
    box->resize(box->sizeHint());
    setSectionsClickable(true);
    connect(this, &QHeaderView::sectionResized, this, &QCheckBoxHeaderWidget::updateGeometries);
}

void QCheckBoxHeaderWidget::updateGeometries()
{
    QHeaderView::updateGeometries();
    box->move(sectionPosition(0) + (sectionSize(0) - box->width()) / 2, kBoxTop);
}
