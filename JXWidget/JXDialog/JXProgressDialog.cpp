#include "JXWidget/JXDialog/JXProgressDialog.h"

#include <QLabel>
#include <QProgressBar>

namespace {
constexpr int kDialogWidth = 300;
constexpr int kDialogHeight = 60;
constexpr int kMarginX = 5; // on either side of the message and the bar
constexpr int kMessageTop = 10;
constexpr int kMessageHeight = 30;
// The bar follows the message directly.
constexpr int kBarTop = kMessageTop + kMessageHeight;
constexpr int kBarHeight = 10;
} // namespace

JXProgressDialog::JXProgressDialog(QWidget *parent)
    : JXWaitDialog(parent), messageLabel(new QLabel(this)), bar(new QProgressBar(this))
{
    bar->setRange(0, 0);
    bar->setTextVisible(false); // a bar kBarHeight high has no room for its percentage
    connect(this, &JXProgressDialog::_setProgress, this, &JXProgressDialog::setProgress);
    connect(this, &JXProgressDialog::_setMessage, this, &JXProgressDialog::setMessage);
    resize(kDialogWidth, kDialogHeight);
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
    messageLabel->setGeometry(kMarginX, kMessageTop, w - 2 * kMarginX, kMessageHeight);
    bar->setGeometry(kMarginX, kBarTop, w - 2 * kMarginX, kBarHeight);
}
