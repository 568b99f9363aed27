#include "JXWidget/JXImageCache.h"
#include "JXWidget/JXLabel.h"
#include "JXWidget/JXPixmapButton.h"
#include "JXWidget/JXPixmapsButton.h"
#include "JXWidget/JXWidget.h"
#include "WidgetTestSupport.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

// Two 20 x 10 images of different colours, for buttons whose picture must be told apart.
class TwoImages : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString red = writeSolidPng(dir.path(), "red.png", QSize(20, 10), kRed);
    QString blue = writeSolidPng(dir.path(), "blue.png", QSize(20, 10), kBlue);
};
} // namespace

TEST(JXWidget, PaintsBorderInsideRoundedCornersAndFill)
{
    JXWidget widget;
    widget.resize(40, 40);
    widget.setBackgroundColor(kBlue);
    widget.setBorder(8, 2, kRed);
    const QImage image = grabImage(widget);
    const QColor window = widget.palette().window().color();
    EXPECT_TRUE(closeTo(image.pixelColor(20, 20), kBlue));
    EXPECT_TRUE(closeTo(image.pixelColor(0, 20), kRed));
    EXPECT_TRUE(closeTo(image.pixelColor(20, 0), kRed));
    EXPECT_TRUE(closeTo(image.pixelColor(0, 0), window)) << "the corner is cut off";

    widget.setBorder(0, 0, kRed);
    const QImage square = grabImage(widget);
    EXPECT_TRUE(closeTo(square.pixelColor(0, 0), kBlue));
    EXPECT_TRUE(closeTo(square.pixelColor(0, 20), kBlue)) << "no border below width 1";
}

TEST(JXLabel, SizeHintIsTheTextSizePlusMargins)
{
    JXLabel label;
    label.setText("Search Devices");
    const QSize text = label.fontMetrics().size(Qt::AlignCenter, "Search Devices");
    EXPECT_EQ(label.sizeHint(), text);
    label.setMargins(3, 5, 7, 11);
    EXPECT_EQ(label.sizeHint(), text + QSize(10, 16));
    label.adjustSize();
    EXPECT_EQ(label.size(), text + QSize(10, 16));
}

TEST(JXLabel, DrawsItsTextInsideTheMargins)
{
    // A label with margins shows, inside them, exactly what a label of the inner size shows.
    JXLabel inner;
    inner.setText("Firmware");
    inner.setTextColor(Qt::black);
    inner.resize(120, 40);
    JXLabel framed;
    framed.setText("Firmware");
    framed.setTextColor(Qt::black);
    framed.setMargins(30, 10, 10, 20);
    framed.resize(160, 70);

    const QImage expected = grabImage(inner);
    const QImage actual = grabImage(framed).copy(30, 10, 120, 40);
    EXPECT_EQ(actual, expected);
    EXPECT_NE(expected, grabImage(framed).copy(0, 0, 120, 40));
}

TEST(JXLabel, EmitsClickedOnPress)
{
    JXLabel label;
    label.resize(50, 20);
    QSignalSpy clicked(&label, &JXLabel::clicked);
    QTest::mousePress(&label, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(TwoImages, ImageCacheScalesOncePerWidth)
{
    const QPixmap own = JXImageCache::pixmap(red, 0);
    EXPECT_EQ(own.size(), QSize(20, 10));
    EXPECT_EQ(JXImageCache::pixmap(red, 20).cacheKey(), own.cacheKey());

    const QPixmap wide = JXImageCache::pixmap(red, 40);
    EXPECT_EQ(wide.size(), QSize(40, 20));
    EXPECT_NE(wide.cacheKey(), own.cacheKey());
    EXPECT_EQ(JXImageCache::pixmap(red, 40).cacheKey(), wide.cacheKey()) << "scaled again";
    EXPECT_EQ(JXImageCache::pixmap(red, 0).cacheKey(), own.cacheKey());

    EXPECT_TRUE(JXImageCache::pixmap(QString(), 20).isNull());
    EXPECT_TRUE(JXImageCache::pixmap(dir.filePath("missing.png"), 20).isNull());
}

TEST_F(TwoImages, PixmapButtonSizeHintKeepsTheImageProportions)
{
    JXPixmapButton button;
    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
    button.setPixmap(red, 0);
    EXPECT_EQ(button.sizeHint(), QSize(20, 10));
    button.setPixmap(red, 50);
    EXPECT_EQ(button.sizeHint(), QSize(50, 25));
    button.setPixmap(QString(), 25);
    EXPECT_EQ(button.sizeHint(), QSize(25, 25));
}

TEST_F(TwoImages, PixmapButtonDrawsItsImageAndReportsReleases)
{
    JXPixmapButton button;
    button.setPixmap(blue, 20);
    button.resize(20, 10);
    EXPECT_TRUE(closeTo(grabImage(button).pixelColor(10, 5), kBlue));
    QSignalSpy clicked(&button, &JXPixmapButton::clicked);
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 0);
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(TwoImages, TwoImageButtonShowsItsStateAndKeepsItOnClick)
{
    JXPixmapsButton button;
    button.setPixmaps(red, blue, 40);
    EXPECT_EQ(button.sizeHint(), QSize(40, 20));
    button.resize(button.sizeHint());
    EXPECT_EQ(button.state(), 0);
    EXPECT_TRUE(closeTo(grabImage(button).pixelColor(20, 10), kRed));

    button.setState(1);
    QSignalSpy clicked(&button, &JXPixmapsButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(button.state(), 1);
    EXPECT_TRUE(closeTo(grabImage(button).pixelColor(20, 10), kBlue));

    button.setState(7);
    EXPECT_TRUE(closeTo(grabImage(button).pixelColor(20, 10), kBlue)) << "any non-zero state";
    button.setState(0);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(button.state(), 0);
    EXPECT_TRUE(closeTo(grabImage(button).pixelColor(20, 10), kRed));
}
