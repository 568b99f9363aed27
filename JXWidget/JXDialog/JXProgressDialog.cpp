#include "JXWidget/JXDialog/JXProgressDialog.h"

#include <QLabel>
#include <QProgressBar>

JXProgressDialog::JXProgressDialog(QWidget *parent)
    : JXWaitDialog(parent), messageLabel(new QLabel(this)), bar(new QProgressBar(this))
{
    bar->setRange(0, 0);
    bar->setTextVisible(false); // a 10-pixel bar has no room for its percentage
    connect(this, &JXProgressDialog::_setProgress, this, &JXProgressDialog::setProgress);
    connect(this, &JXProgressDialog::_setMessage, this, &JXProgressDialog::setMessage);
    resize(300, 60);
}

void JXProgressDialog::setProgressRange(int minimum, int maximum)
{
    bar->setRange(minimum, maximum);
}

QString JXProgressDialog::message() const
{
    return messageLabel->text();
}

int JXProgressDialog::progressValue() const
{
    return bar->value();
}

void JXProgressDialog::setProgress(float p)
{
    bar->setValue(static_cast<int>(p * 100));
}

void JXProgressDialog::setMessage(const QString &msg)
{
    messageLabel->setText(msg);
}

void JXProgressDialog::resizeEvent(QResizeEvent *event)
{
    JXWaitDialog::resizeEvent(event);
    const int w = width();
    messageLabel->setGeometry(5, 10, w - 10, 30);
    bar->setGeometry(5, 40, w - 10, 10);
}
