// Draws every resources/svg/<name>.svg into resources/<name>.png at the size the buttons
// show them, so the images compiled into the program always come from their sources.
// The application icon uses the same renderer at its theme sizes.
//   lankit-render-icons SVG_DIR PNG_DIR [SIZE]
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {
// Width and height of every button image, in pixels.
const int kButtonIconSize = 20;
const int kLargestIconSize = 512;

bool renderOne(const QString &svgPath, const QString &pngPath, int size)
{
    QSvgRenderer renderer(svgPath);
    if (!renderer.isValid())
        return false;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32).save(pngPath, "PNG");
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int size = argc == 4 ? QByteArray(argv[3]).toInt() : kButtonIconSize;
    if ((argc != 3 && argc != 4) || size < 1 || size > kLargestIconSize) {
        std::fprintf(stderr, "usage: %s SVG_DIR PNG_DIR [SIZE]\n", argv[0]);
        return 2;
    }
    const QDir svgDir(QString::fromLocal8Bit(argv[1]));
    const QDir pngDir(QString::fromLocal8Bit(argv[2]));
    int failures = 0;
    const QStringList sources = svgDir.entryList({QStringLiteral("*.svg")}, QDir::Files);
    for (const QString &name : sources) {
        const QString png = pngDir.filePath(QFileInfo(name).completeBaseName() + ".png");
        if (!renderOne(svgDir.filePath(name), png, size)) {
            std::fprintf(stderr, "cannot render %s\n", qPrintable(name));
            ++failures;
        }
    }
    return failures == 0 && !sources.isEmpty() ? 0 : 1;
}
