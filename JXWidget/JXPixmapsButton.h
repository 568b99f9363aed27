#pragma once

#include "JXWidget/JXWidget.h"

#include <QString>

// A button with two images: path0 for state 0, path1 for any other state. The owner sets
// the state; a click only reports clicked().
class JXPixmapsButton : public JXWidget
{
    Q_OBJECT

public:
    explicit JXPixmapsButton(QWidget *parent = nullptr);

    // width 0 shows the images at their own width. Takes effect at the next repaint.
    void setPixmaps(const QString &path0, const QString &path1, int width);
    void setState(int state);
    int state() const { return currentState; }
    QSize sizeHint() const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString path0;
    QString path1;
    int width = 0;
    int currentState = 0;
};
