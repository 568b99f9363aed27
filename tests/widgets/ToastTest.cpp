#include "JXWidget/JXLabel.h"
#include "JXWidget/JXToast.h"
#include "WidgetTestSupport.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include <thread>

namespace {
const int kWidth = 400;
const int kHeight = 300;
const int kMarginX = 20;
const int kMarginY = 15;

JXLabel *shownToast(QWidget &owner)
{
    return owner.findChild<JXLabel *>();
}

// Milliseconds from start until label is deleted, or -1 when it survives timeoutMs.
qint64 millisecondsUntilGone(JXLabel *label, const QElapsedTimer &start, int timeoutMs)
{
    QPointer<JXLabel> watched(label);
    qint64 goneAt = -1;
    QObject::connect(label, &QObject::destroyed, [&] { goneAt = start.elapsed(); });
    (void)QTest::qWaitFor([&] { return watched.isNull(); }, timeoutMs);
    return goneAt;
}
} // namespace

TEST(JXToast, PlacesTheMessageByAlignmentAndMargins)
{
    using A = Qt::Alignment;
    struct Case
    {
        A alignment;
        const char *horizontal; // "left", "centre", "right"
        const char *vertical;   // "top", "centre", "bottom"
    };
    const Case cases[] = {
        {Qt::AlignLeft | Qt::AlignTop, "left", "top"},
        {Qt::AlignHCenter | Qt::AlignBottom, "centre", "bottom"},
        {Qt::AlignRight | Qt::AlignBottom, "right", "bottom"},
        {Qt::AlignRight | Qt::AlignVCenter, "right", "centre"},
        {Qt::AlignCenter, "centre", "centre"},
        {A(), "left", "top"},
        {Qt::AlignLeft | Qt::AlignRight | Qt::AlignTop | Qt::AlignBottom, "left", "top"},
        {Qt::AlignHCenter | Qt::AlignRight | Qt::AlignVCenter | Qt::AlignBottom, "centre",
         "centre"},
    };
    JXToast owner;
    owner.resize(kWidth, kHeight);
    for (const Case &c : cases) {
        owner.showToast("Please Input Name", c.alignment, kMarginX, kMarginY);
        const JXLabel *toast = shownToast(owner);
        ASSERT_NE(toast, nullptr);
        const QRect r = toast->geometry();
        const int left = r.left();
        const int right = kWidth - (r.left() + r.width());
        const int top = r.top();
        const int bottom = kHeight - (r.top() + r.height());
        const std::string what = std::string(c.horizontal) + "/" + c.vertical;
        if (std::string(c.horizontal) == "left")
            EXPECT_EQ(left, kMarginX) << what;
        else if (std::string(c.horizontal) == "right")
            EXPECT_EQ(right, kMarginX) << what;
        else
            EXPECT_LE(std::abs(left - right), 1) << what;
        if (std::string(c.vertical) == "top")
            EXPECT_EQ(top, kMarginY) << what;
        else if (std::string(c.vertical) == "bottom")
            EXPECT_EQ(bottom, kMarginY) << what;
        else
            EXPECT_LE(std::abs(top - bottom), 1) << what;
        EXPECT_EQ(owner.findChildren<JXLabel *>().size(), 1) << "the last message replaces";
    }
}

TEST(JXToast, MessageLooksLikeAToast)
{
    JXToast owner;
    owner.resize(kWidth, kHeight);
    owner.showToast("Searching devices", Qt::AlignCenter, 0, 0);
    JXLabel *toast = shownToast(owner);
    ASSERT_NE(toast, nullptr);
    EXPECT_EQ(toast->text(), "Searching devices");
    EXPECT_TRUE(toast->isVisibleTo(&owner));
    const QSize text = toast->fontMetrics().size(Qt::AlignCenter, "Searching devices");
    EXPECT_EQ(toast->size(), text + QSize(20, 20));

    // Translucent black over the owner's background, white text, rounded corners.
    const QImage image = grabImage(owner).copy(toast->geometry());
    const QColor window = toast->palette().window().color();
    const int shade = window.red() * (255 - 64) / 255;
    EXPECT_TRUE(closeTo(image.pixelColor(3, toast->height() / 2), QColor(shade, shade, shade), 3));
    EXPECT_TRUE(closeTo(image.pixelColor(0, 0), window, 3)) << "rounded corner";
    bool white = false;
    for (int x = 10; x < toast->width() - 10 && !white; ++x)
        white = image.pixelColor(x, toast->height() / 2) == QColor(Qt::white);
    EXPECT_TRUE(white);
}

// A toast owner and a clock started with the test.
class ToastTiming : public ::testing::Test
{
protected:
    void SetUp() override
    {
        owner.resize(kWidth, kHeight);
        clock.start();
    }
    JXToast owner;
    QElapsedTimer clock;
};

TEST_F(ToastTiming, GoesAfterTwoSecondsOrSoonAfterAClick)
{
    owner.showToast("Set", Qt::AlignCenter, 0, 0);
    const qint64 gone = millisecondsUntilGone(shownToast(owner), clock, 10000);
    EXPECT_GE(gone, 1850);
    EXPECT_LT(gone, 10000);

    owner.showToast("Set", Qt::AlignCenter, 0, 0);
    JXLabel *clicked = shownToast(owner);
    QTest::mouseClick(clicked, Qt::LeftButton);
    EXPECT_EQ(shownToast(owner), clicked) << "removed by a timer, not during the click";
    clock.restart();
    const qint64 afterClick = millisecondsUntilGone(clicked, clock, 10000);
    EXPECT_GE(afterClick, 0);
    EXPECT_LT(afterClick, 1500);
}

TEST_F(ToastTiming, TheFirstMessagesTimerTakesTheSecondWithIt)
{
    owner.showToast("first", Qt::AlignCenter, 0, 0);
    QPointer<JXLabel> first = shownToast(owner);
    QTest::qWait(1000);
    owner.showToast("second", Qt::AlignCenter, 0, 0);
    EXPECT_TRUE(first.isNull()) << "replaced at once";
    JXLabel *second = shownToast(owner);
    ASSERT_NE(second, nullptr);
    const qint64 secondShownAt = clock.elapsed();
    const qint64 gone = millisecondsUntilGone(second, clock, 10000);
    EXPECT_GE(gone, 1850) << "not before the first message's two seconds";
    EXPECT_LT(gone - secondShownAt, 1850) << "before its own two seconds";
}

TEST(JXToast, AcceptsCallsFromOtherThreads)
{
    JXToast owner;
    owner.resize(kWidth, kHeight);
    std::thread([&] {
        owner.showToast("from a worker", Qt::AlignBottom | Qt::AlignHCenter, 5, 5);
    }).join();
    EXPECT_EQ(shownToast(owner), nullptr) << "queued to the widget's thread";
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownToast(owner) != nullptr; }));
    EXPECT_EQ(shownToast(owner)->text(), "from a worker");
    EXPECT_EQ(kHeight - shownToast(owner)->geometry().bottom() - 1, 5);

    std::thread([&] { owner.hideToast(); }).join();
    EXPECT_NE(shownToast(owner), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownToast(owner) == nullptr; }));
}
