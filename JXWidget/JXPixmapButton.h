#pragma once

#include "JXWidget/JXWidget.h"

#include <QString>

// A button drawn as one image (a resource or file path) over its whole area.
class JXPixmapButton : public JXWidget
{
    Q_OBJECT

public:
    explicit JXPixmapButton(QWidget *parent = nullptr);

    // width 0 shows the image at its own width.
    void setPixmap(const QString &path, int width);
    QSize sizeHint() const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString path;
    int width = 0;
};
