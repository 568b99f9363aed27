#include "JXWidget/JXDialog/JXDialog.h"

#include "JXWidget/JXLabel.h"
#include "JXWidget/JXToast.h"

#include <QPainter>
#include <QTimer>

JXDialog::JXDialog(QWidget *parent) : QDialog(parent)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

void JXDialog::showToast(const QString &text, Qt::Alignment alignment, int marginX, int marginY)
{
    removeToast();
    toast = JXToast::createToastLabel(this, text, alignment, marginX, marginY);
    connect(toast, &JXLabel::clicked, this, [this] {
        QTimer::singleShot(JXToast::kClickMilliseconds, this, &JXDialog::removeToast);
    });
    QTimer::singleShot(JXToast::kShowMilliseconds, this, &JXDialog::removeToast);
}

void JXDialog::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintBackground(&painter, width(), height());
}

void JXDialog::removeToast()
{
    JXToast::destroyToastLabel(toast);
}
