// The button images compiled into the program, and the fonts the interface is drawn with.
#include "JXWidget/JXImageCache.h"
#include "resources/JXResources.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
const char *const kIcons[] = {"network", "search", "settings", "printer",   "print",
                              "play",    "pause",  "audio",    "audio_mute"};

QImage textImage(const QString &text)
{
    QImage image(40, 40, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font = QGuiApplication::font();
    font.setPixelSize(24);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignCenter, text);
    return image;
}

int inkPixels(const QImage &image)
{
    int ink = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ink += qGray(image.pixel(x, y)) < 128;
    }
    return ink;
}
} // namespace

TEST(Resources, NineButtonImagesOfTwentyPixels)
{
    JXResources::init();
    JXResources::init();
    for (const char *name : kIcons) {
        const QString path = QStringLiteral(":/resources/%1.png").arg(name);
        const QImage image(path);
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(image.size(), QSize(20, 20)) << name;
        EXPECT_TRUE(image.hasAlphaChannel()) << name;
        EXPECT_EQ(JXImageCache::pixmap(path, 0).size(), QSize(20, 20)) << name;
        int opaque = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128;
        }
        EXPECT_GT(opaque, 30) << name << " is nearly empty";
    }
}

TEST(Resources, ImagesAreDrawnFromTheirSvgSources)
{
    QTemporaryDir out;
    const QString svgDir = QDir(testSourceDir()).filePath("resources/svg");
    QProcess renderer;
    renderer.start(QDir(testBinDir()).filePath("lankit-render-icons"), {svgDir, out.path()});
    ASSERT_TRUE(renderer.waitForFinished(60000));
    ASSERT_EQ(renderer.exitCode(), 0) << renderer.readAllStandardError().toStdString();

    const QStringList sources = QDir(svgDir).entryList({"*.svg"}, QDir::Files);
    EXPECT_EQ(sources.size(), static_cast<int>(std::size(kIcons)));
    for (const char *name : kIcons) {
        const QImage committed =
            QImage(QDir(testSourceDir()).filePath(QStringLiteral("resources/%1.png").arg(name)))
                .convertToFormat(QImage::Format_ARGB32);
        const QImage rendered =
            QImage(QDir(out.path()).filePath(QStringLiteral("%1.png").arg(name)))
                .convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(committed, rendered) << name << ".png is stale: run scripts/render-icons.sh";
    }
}

TEST(Fonts, ChineseTextHasRealGlyphs)
{
    EXPECT_FALSE(QFontDatabase().families(QFontDatabase::SimplifiedChinese).isEmpty());
    // Missing glyphs all draw as the same empty box; real ones differ from each other.
    const QImage she = textImage(QString::fromUtf8("设"));
    const QImage bei = textImage(QString::fromUtf8("备"));
    EXPECT_GT(inkPixels(she), 20);
    EXPECT_GT(inkPixels(bei), 20);
    EXPECT_NE(she, bei);
    EXPECT_NE(she, textImage(QString(QChar(0xE000))));
}
