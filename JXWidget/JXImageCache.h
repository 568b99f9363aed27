#pragma once

#include <QMap>
#include <QPixmap>
#include <QString>

class QPainter;
class QRect;

// Process-wide cache of the button images: each path is decoded once and each width it is
// shown at is scaled once, for the life of the process. GUI thread only, not locked.
class JXImageCache
{
public:
    // The image at path scaled to width (0: its own width); empty for an empty or
    // unreadable path. The returned pixmap shares its data with the cached one.
    static QPixmap pixmap(const QString &path, int width);
    // Size hint of an image button: width (or the image's own width for 0) by the height
    // that keeps the image's proportions; width x width when there is no image.
    static QSize buttonSizeHint(const QString &path, int width);
    // Draws the image for (path, width) stretched over rect.
    static void draw(QPainter &painter, const QRect &rect, const QString &path, int width);

private:
    struct Entry
    {
        QMap<int, QPixmap> variants; // by width
        int baseWidth = 0;
    };
    static QMap<QString, Entry> &entries();
};
