#include "JXWidget/JXToast.h"

#include "JXWidget/JXLabel.h"

#include <QThread>
#include <QTimer>

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
    label->setBorder(5, 0, QColor(255, 255, 255, 0));
    label->setMargins(10, 10, 10, 10);
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
    int x = marginX;
    if (alignment & Qt::AlignLeft)
        x = marginX;
    else if (alignment & Qt::AlignHCenter)
        x = (area.width() - toast.width()) / 2;
    else if (alignment & Qt::AlignRight)
        x = area.width() - marginX - toast.width();
    int y = marginY;
    if (alignment & Qt::AlignTop)
        y = marginY;
    else if (alignment & Qt::AlignVCenter)
        y = (area.height() - toast.height()) / 2;
    else if (alignment & Qt::AlignBottom)
        y = area.height() - marginY - toast.height();
    return QPoint(x, y);
}

void JXToast::showToast(const QString &message, Qt::Alignment alignment, int marginX, int marginY)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, "showToast", Qt::QueuedConnection, Q_ARG(QString, message),
                                  Q_ARG(Qt::Alignment, alignment), Q_ARG(int, marginX),
                                  Q_ARG(int, marginY));
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
        QMetaObject::invokeMethod(this, "hideToast", Qt::QueuedConnection);
        return;
    }
    destroyToastLabel(toast);
}
