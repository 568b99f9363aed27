#include "JXWidget/JXImageCache.h"

#include <QPainter>

QMap<QString, JXImageCache::Entry> &JXImageCache::entries()
{
    static QMap<QString, Entry> cache;
    return cache;
}

QPixmap JXImageCache::pixmap(const QString &path, int width)
{
    if (path.isEmpty())
        return QPixmap();
    auto found = entries().find(path);
    if (found == entries().end()) {
        const QPixmap original(path);
        Entry entry;
        entry.baseWidth = original.width();
        entry.variants.insert(entry.baseWidth, original);
        found = entries().insert(path, entry);
    }
    Entry &entry = found.value();
    if (width == 0)
        width = entry.baseWidth;
    auto variant = entry.variants.find(width);
    if (variant == entry.variants.end()) {
        const QPixmap &base = entry.variants[entry.baseWidth];
        variant = entry.variants.insert(width, base.scaledToWidth(width, Qt::SmoothTransformation));
    }
    return variant.value();
}

QSize JXImageCache::buttonSizeHint(const QString &path, int width)
{
    const QPixmap image = pixmap(path, width);
    if (image.isNull())
        return QSize(width, width);
    const int w = width != 0 ? width : image.width();
    return QSize(w, image.height() * w / image.width());
}

void JXImageCache::draw(QPainter &painter, const QRect &rect, const QString &path, int width)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(rect, pixmap(path, width));
}
