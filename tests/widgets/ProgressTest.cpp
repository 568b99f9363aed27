#include "JXWidget/JXProgress.h"
#include "WidgetTestSupport.h"

#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

namespace {
const QColor kRed(255, 0, 0);

// A spinner drawn at rest, so the bars stand at angle 0.
struct StillSpinner
{
    explicit StillSpinner(int side)
    {
        spinner.resize(side, side);
        spinner.setColor(kRed);
        spinner.setDisplayedWhenStopped(true);
    }
    JXProgress spinner;
};
} // namespace

TEST(JXProgress, BarGeometryFollowsTheSmallerSide)
{
    struct Case
    {
        int side, outer, length, width;
    };
    const Case cases[] = {{30, 14, 9, 3}, {60, 29, 18, 4}, {32, 15, 10, 3}, {33, 16, 10, 2}};
    for (const Case &c : cases) {
        const JXProgress::Bars bars = JXProgress::barsFor(c.side);
        EXPECT_EQ(bars.outer, c.outer) << c.side;
        EXPECT_EQ(bars.length, c.length) << c.side;
        EXPECT_EQ(bars.width, c.width) << c.side;
    }
    JXProgress spinner;
    EXPECT_EQ(spinner.sizeHint(), QSize(25, 25));
    EXPECT_EQ(spinner.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(spinner.focusPolicy(), Qt::NoFocus);
}

TEST(JXProgress, BarsFadeClockwiseFromTheTopBar)
{
    // 60 x 60: bars from 29 to 11 pixels off the centre (30, 30), 4 pixels wide.
    StillSpinner still(60);
    const QImage image = grabImage(still.spinner);
    const QColor window = still.spinner.palette().window().color();
    EXPECT_TRUE(closeTo(image.pixelColor(30, 10), kRed)) << "top bar, full colour";
    EXPECT_TRUE(closeTo(image.pixelColor(30, 3), kRed)) << "top bar reaches 29 px out";
    EXPECT_TRUE(closeTo(image.pixelColor(30, 23), window)) << "hole in the middle";
    EXPECT_TRUE(closeTo(image.pixelColor(36, 10), window)) << "bar is narrow";

    // Bar i is drawn 30 * i degrees anticlockwise with opacity 1 - i / 12.
    const auto redShare = [&](int x, int y) {
        const QColor c = image.pixelColor(x, y);
        return (c.red() - c.green()) / 255.0;
    };
    EXPECT_NEAR(redShare(10, 30), 0.75, 0.03) << "left bar, i = 3";
    EXPECT_NEAR(redShare(30, 50), 0.50, 0.03) << "bottom bar, i = 6";
    EXPECT_NEAR(redShare(50, 30), 0.25, 0.03) << "right bar, i = 9";
}

TEST(JXProgress, ShowsThePercentageBetweenOneAndNinetyNine)
{
    StillSpinner still(100);
    const QImage bare = grabImage(still.spinner);
    still.spinner.onProgress(50);
    const QImage fifty = grabImage(still.spinner);

    QImage expected = bare;
    QPainter painter(&expected);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(still.spinner.font());
    painter.setPen(kRed);
    painter.drawText(QRect(0, 0, 100, 100), Qt::AlignCenter, "50%");
    painter.end();
    EXPECT_EQ(fifty, expected);

    still.spinner.onProgress(0);
    EXPECT_EQ(grabImage(still.spinner), bare);
}

TEST(JXProgress, AnimatesUntilProgressReachesOneHundred)
{
    JXProgress spinner;
    spinner.resize(30, 30);
    spinner.setAnimationDelay(10);
    EXPECT_FALSE(spinner.isVisible());
    spinner.startAnimation();
    EXPECT_TRUE(spinner.isVisible());
    EXPECT_TRUE(spinner.isAnimated());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&spinner));

    const QImage first = grabImage(spinner);
    EXPECT_TRUE(QTest::qWaitFor([&] { return grabImage(spinner) != first; }, 5000));

    spinner.onProgress(99);
    QTest::qWait(100);
    EXPECT_TRUE(spinner.isVisible());
    spinner.onProgress(100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !spinner.isVisible(); }, 5000));
    EXPECT_FALSE(spinner.isAnimated());
}

TEST(JXProgress, StopHidesAndChangingTheDelayKeepsItTurning)
{
    JXProgress spinner;
    spinner.startAnimation();
    spinner.setAnimationDelay(15);
    EXPECT_EQ(spinner.animationDelay(), 15);
    EXPECT_TRUE(spinner.isAnimated());
    spinner.stopAnimation();
    EXPECT_FALSE(spinner.isAnimated());
    EXPECT_FALSE(spinner.isVisible());
    spinner.setAnimationDelay(20);
    EXPECT_FALSE(spinner.isAnimated()) << "a stopped spinner stays stopped";
}
