#pragma once

#include <QColor>
#include <QPainterPath>
#include <QWidget>

// A widget that paints its own background: a fill, an optional border and rounded corners.
// The base of the program's painted controls.
class JXWidget : public QWidget
{
    Q_OBJECT

public:
    explicit JXWidget(QWidget *parent = nullptr);

    void setBackgroundColor(const QColor &color);
    void setBorder(int radius, int width, const QColor &color);

    // The outline of a width x height area with corners of the given radius (a plain
    // rectangle for radius <= 0), shared with the dialogs' painted background.
    static QPainterPath outlinePath(int width, int height, int radius);

protected:
    void paintEvent(QPaintEvent *event) override;

    int radius = 0;
    int borderWidth = 0;
    QColor borderColor{255, 255, 255, 0};
    QColor backgroundColor{255, 255, 255, 0};
};
