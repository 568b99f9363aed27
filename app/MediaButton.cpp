#include "app/MediaButton.h"

#include "JXWidget/JXLabel.h"
#include "JXWidget/JXPixmapButton.h"

#include <QKeyEvent>

namespace {
const QColor kIdle(255, 255, 255, 255);
const QColor kHover(202, 211, 138, 255);
const QColor kLeft(255, 255, 255, 0);
const int kIconSize = 20;
const int kCaptionX = 24;
const int kHorizontalExtra = 28; // icon, gaps and the right margin around the caption
const int kHeight = 24;
} // namespace

MediaButton::MediaButton(QWidget *parent)
    : JXWidget(parent), icon(new JXPixmapButton(this)), caption(new JXLabel(this))
{
    setBorder(1, 0, QColor(255, 255, 255, 0));
    setBackgroundColor(kIdle);
    setCursor(Qt::PointingHandCursor);
    // A click leaves the focus where the operator was typing; Tab still stops here.
    setFocusPolicy(Qt::TabFocus);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(icon, &JXPixmapButton::clicked, this, &MediaButton::clicked);
    connect(caption, &JXLabel::clicked, this, &MediaButton::clicked);
}

void MediaButton::setIcon(const QString &resource)
{
    icon->setPixmap(resource, kIconSize);
}

void MediaButton::setText(const QString &text)
{
    caption->setText(text);
    updateGeometry();
}

QString MediaButton::text() const
{
    return caption->text();
}

QSize MediaButton::sizeHint() const
{
    return QSize(caption->sizeHint().width() + kHorizontalExtra, kHeight);
}

void MediaButton::showHighlight(bool on)
{
    setBackgroundColor(on ? kHover : kLeft);
    update();
}

void MediaButton::enterEvent(QEvent *event)
{
    JXWidget::enterEvent(event);
    showHighlight(true);
}

void MediaButton::leaveEvent(QEvent *event)
{
    JXWidget::leaveEvent(event);
    showHighlight(hasFocus());
}

void MediaButton::focusInEvent(QFocusEvent *event)
{
    JXWidget::focusInEvent(event);
    showHighlight(true);
}

void MediaButton::focusOutEvent(QFocusEvent *event)
{
    JXWidget::focusOutEvent(event);
    showHighlight(underMouse());
}

void MediaButton::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const bool press = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
    const bool plain = (event->modifiers() | Qt::KeypadModifier) == Qt::KeypadModifier;
    if (!press || !plain || event->isAutoRepeat()) {
        JXWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    emit clicked();
}

void MediaButton::resizeEvent(QResizeEvent *event)
{
    JXWidget::resizeEvent(event);
    icon->setGeometry(2, 2, kIconSize, kIconSize);
    caption->setGeometry(kCaptionX, 2, width() - kHorizontalExtra, kIconSize);
}
