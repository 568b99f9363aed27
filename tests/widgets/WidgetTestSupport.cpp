#include "WidgetTestSupport.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>

#include <cstdlib>

QImage grabImage(QWidget &widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

QString writeSolidPng(const QString &dir, const QString &name, const QSize &size,
                      const QColor &color)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    const QString path = QDir(dir).filePath(name);
    image.save(path, "PNG");
    return path;
}

bool closeTo(QColor actual, QColor expected, int tolerance)
{
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance &&
           std::abs(actual.alpha() - expected.alpha()) <= tolerance;
}
