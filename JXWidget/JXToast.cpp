#include "JXWidget/JXToast.h"

#include "JXWidget/JXLabel.h"

#include <QThread>
#include <QTimer>

namespace {
constexpr int kToastRadius = 5;
// Between the toast's edge and its text, on every side.
constexpr int kToastPadding = 10;

// Offset along one axis: the near flag wins over the centre flag, which wins over the far
// flag; without any of them the margin is taken from the near edge.
int axisOffset(Qt::Alignment alignment, Qt::AlignmentFlag nearFlag, Qt::AlignmentFlag centreFlag,
               Qt::AlignmentFlag farFlag, int area, int length, int margin)
{
    if (alignment & nearFlag)
        return margin;
    if (alignment & centreFlag)
        return (area - length) / 2;
    if (alignment & farFlag)
        return area - margin - length;
    return margin;
}
} // namespace

JXToast::JXToast(QWidget *parent) : JXWidget(parent)
{
    qRegisterMetaType<Qt::Alignment>("Qt::Alignment");
}

JXLabel *JXToast::createToastLabel(QWidget *parent, const QString &message, Qt::Alignment alignment,
                                   int marginX, int marginY)
{
    auto *label = new JXLabel(parent);
    label->setText(message);
    label->setBackgroundColor(QColor(0, 0, 0, 64));
    label->setBorder(kToastRadius, 0, QColor(255, 255, 255, 0));
    label->setMargins(kToastPadding, kToastPadding, kToastPadding, kToastPadding);
    label->setTextColor(Qt::white);
    label->adjustSize();
    label->move(toastPosition(parent->size(), label->size(), alignment, marginX, marginY));
    label->show();
    return label;
}

void JXToast::destroyToastLabel(JXLabel *&label)
{
    if (label == nullptr)
        return;
    label->hide();
    label->setParent(nullptr);
    delete label;
    label = nullptr;
}

QPoint JXToast::toastPosition(const QSize &area, const QSize &toast, Qt::Alignment alignment,
                              int marginX, int marginY)
{
    return QPoint(axisOffset(alignment, Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                             area.width(), toast.width(), marginX),
                  axisOffset(alignment, Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom,
                             area.height(), toast.height(), marginY));
}

void JXToast::showToast(const QString &message, Qt::Alignment alignment, int marginX, int marginY)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this,
            [this, message, alignment, marginX, marginY] {
                showToast(message, alignment, marginX, marginY);
            },
            Qt::QueuedConnection);
        return;
    }
    hideToast();
    toast = createToastLabel(this, message, alignment, marginX, marginY);
    connect(toast, &JXLabel::clicked, this,
            [this] { QTimer::singleShot(kClickMilliseconds, this, &JXToast::hideToast); });
    QTimer::singleShot(kShowMilliseconds, this, &JXToast::hideToast);
}

void JXToast::hideToast()
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, &JXToast::hideToast, Qt::QueuedConnection);
        return;
    }
    destroyToastLabel(toast);
}
