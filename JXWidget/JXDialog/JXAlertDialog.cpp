#include "JXWidget/JXDialog/JXAlertDialog.h"

#include "JXUtils/JXLocalize.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace {
constexpr int kMinimumWidth = 300;
constexpr int kMinimumHeight = 90;
constexpr int kButtonMinimumWidth = 100;
constexpr int kButtonHeight = 30;
// Space kept free on either side of a button within its half of the dialog.
constexpr int kButtonMargin = 20;
// From the dialog's bottom edge up to the buttons' top; the message ends there.
constexpr int kButtonRise = 60;
constexpr int kMessageMarginX = 20;
constexpr int kMessageTop = 10;
// A short message gets the standard size; a longer one the message's own size plus room.
constexpr int kStandardWidth = 300;
constexpr int kStandardHeight = 140;
constexpr int kShortMessageWidth = 200;
constexpr int kShortMessageHeight = 40;
constexpr int kRoomAroundMessage = 100;
} // namespace

JXAlertDialog::JXAlertDialog(QWidget *parent)
    : JXDialog(parent), message(new QLabel(this)), okButton(new QPushButton(this)),
      cancelButton(new QPushButton(this))
{
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    okButton->setText(translate(QStringLiteral("Ok")));
    cancelButton->setText(translate(QStringLiteral("Cancel")));
    okButton->setMinimumWidth(kButtonMinimumWidth);
    cancelButton->setMinimumWidth(kButtonMinimumWidth);
    okButton->adjustSize();
    cancelButton->adjustSize();
    message->setAlignment(Qt::AlignCenter);
    connect(okButton, &QPushButton::clicked, this, &JXAlertDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &JXAlertDialog::reject);
}

void JXAlertDialog::setContent(const QString &text, const QString &okText,
                               const QString &cancelText)
{
    message->setText(text);
    okButton->setText(okText);
    cancelButton->setText(cancelText);
    // Each button is centred in its half of the dialog, so each half must hold the wider
    // one with a margin, or a long text such as "Restore factory settings" is clipped.
    okButton->adjustSize();
    cancelButton->adjustSize();
    const int widest = std::max(okButton->width(), cancelButton->width());
    message->adjustSize();
    const QSize hint = message->size();
    const int w =
        hint.width() < kShortMessageWidth ? kStandardWidth : hint.width() + kRoomAroundMessage;
    const int h =
        hint.height() < kShortMessageHeight ? kStandardHeight : hint.height() + kRoomAroundMessage;
    resize(std::max(w, 2 * (widest + kButtonMargin)), h);
}

void JXAlertDialog::makeCancelDefault()
{
    okButton->setAutoDefault(false);
    cancelButton->setDefault(true);
    cancelButton->setFocus();
}

void JXAlertDialog::tell(const QString &text)
{
    JXAlertDialog dialog;
    dialog.setContent(text, translate(QStringLiteral("Ok")), QString());
    dialog.cancelButton->hide();
    dialog.exec();
}

int JXAlertDialog::question(const QString &text, const QString &okText, const QString &cancelText)
{
    JXAlertDialog dialog;
    dialog.setContent(text, okText, cancelText);
    return dialog.exec();
}

int JXAlertDialog::information(const QString &text)
{
    return question(text, translate(QStringLiteral("Ok")), translate(QStringLiteral("Cancel")));
}

void JXAlertDialog::resizeEvent(QResizeEvent *event)
{
    JXDialog::resizeEvent(event);
    const int w = width();
    const int h = height();
    const int okWidth = okButton->width();
    const int cancelWidth = cancelButton->width();
    const int buttonTop = h - kButtonRise;
    okButton->setGeometry((w / 2 - okWidth) / 2, buttonTop, okWidth, kButtonHeight);
    cancelButton->setGeometry(w / 2 + (w / 2 - cancelWidth) / 2, buttonTop, cancelWidth,
                              kButtonHeight);
    message->setGeometry(kMessageMarginX, kMessageTop, w - 2 * kMessageMarginX,
                         buttonTop - kMessageTop);
    if (cancelButton->isHidden())
        okButton->move((w - okWidth) / 2, okButton->y());
}
