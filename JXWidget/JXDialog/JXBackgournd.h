#pragma once

#include <QColor>

class QPainter;

// The class name's spelling is the one the dialogs have always used: keep it.
// Painting mix-in of the dialogs: a fill with an optional border and rounded corners.
// Derived dialogs set the fields themselves.
class JXBackgournd
{
public:
    virtual ~JXBackgournd() = default;

    // Draws the outline of a width x height area with the fields below; the border colour
    // is used when borderWidth >= 1 (the pen keeps its default width).
    virtual void paintBackground(QPainter *painter, int width, int height);

    int radius = 0; // pixels; 0 = square corners
    int borderWidth = 0;
    QColor borderColor{255, 255, 255, 0};
    QColor backgroundColor{255, 255, 255, 0};
};
