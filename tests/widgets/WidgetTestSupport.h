#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

class QWidget;

// The widget rendered as it would be on screen (window background included), in a format
// whose pixels can be compared directly.
QImage grabImage(QWidget &widget);
// Writes a PNG filled with one colour and returns its path.
QString writeSolidPng(const QString &dir, const QString &name, const QSize &size,
                      const QColor &color);
// True when the two colours differ by at most tolerance in every channel.
bool closeTo(QColor actual, QColor expected, int tolerance = 2);
