#pragma once

#include "JXWidget/JXWidget.h"

class JXLabel;
class JXPixmapButton;

// A header command: a 20 x 20 icon and a caption, highlighted while the mouse is over it or
// it holds the keyboard focus. Tab reaches it; Space, Return or Enter presses it.
class MediaButton : public JXWidget
{
    Q_OBJECT

public:
    explicit MediaButton(QWidget *parent = nullptr);

    void setIcon(const QString &resource);
    void setText(const QString &text);
    QString text() const;
    QSize sizeHint() const override;

signals:
    void clicked();

protected:
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The highlight while the pointer or the focus is on the button, the cleared fill after.
    void showHighlight(bool on);

    JXPixmapButton *icon; // child
    JXLabel *caption;     // child
};
