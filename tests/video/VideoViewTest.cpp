// The video view on the offscreen platform: fitting, pixel formats against hand-computed
// colours, clearing, scaler reuse, conversion failures and frame merging.
#include "TestFrames.h"
#include "support/LogCapture.h"

#include "JXVideoView/JXDirectVideoView.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <thread>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace {
const QColor kOrange(200, 90, 40);
const QColor kTeal(30, 160, 150);
constexpr int kTolerance = 8;

struct FrameDeleter
{
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

FramePtr solidFrame(int w, int h, AVPixelFormat format, const QColor &colour,
                    TestFrames::Matrix matrix = TestFrames::Matrix::Bt601)
{
    return FramePtr(TestFrames::solid(w, h, format, colour, matrix));
}

class VideoViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view.resize(800, 600);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    QWidget *target() { return view.findChild<QWidget *>("target"); }
    QColor pixel(int x, int y) { return view.grab().toImage().pixelColor(x, y); }

    JXDirectVideoView view;
};

TEST(VideoViewFit, TargetFollowsTheVideoAspectRatio)
{
    struct Case
    {
        QSize widget, video;
        QRect expected;
    };
    const Case cases[] = {
        {{800, 600}, {1280, 720}, {0, 75, 800, 450}},
        {{800, 600}, {720, 1280}, {231, 0, 337, 600}},
        {{800, 600}, {800, 600}, {0, 0, 800, 600}},
        {{801, 600}, {1920, 1080}, {0, 75, 801, 450}},
        {{800, 600}, {0, 0}, {0, 0, 800, 600}},
        {{800, 600}, {1280, 0}, {0, 0, 800, 600}},
        {{0, 0}, {1280, 720}, {0, 0, 0, 0}},
        // Hostile sizes must not overflow the products.
        {{16384, 16384}, {65535, 1}, {0, 8192, 16384, 0}},
        {{16384, 16384}, {1, 65535}, {8192, 0, 0, 16384}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(JXDirectVideoView::fitTarget(c.widget, c.video), c.expected)
            << c.widget.width() << "x" << c.widget.height() << " video " << c.video.width() << "x"
            << c.video.height();
}

TEST_F(VideoViewTest, FramesPlaceTheTargetAndBlackSurroundsIt)
{
    FramePtr wide = solidFrame(1280, 720, AV_PIX_FMT_YUV420P, kOrange);
    view.renderFrame(wide.get());
    EXPECT_EQ(target()->geometry(), QRect(0, 75, 800, 450));
    EXPECT_LE(TestFrames::distance(pixel(400, 300), kOrange), kTolerance);
    EXPECT_EQ(pixel(400, 30), QColor(Qt::black));
    EXPECT_EQ(pixel(400, 580), QColor(Qt::black));

    FramePtr tall = solidFrame(720, 1280, AV_PIX_FMT_YUV420P, kTeal);
    view.renderFrame(tall.get());
    EXPECT_EQ(target()->geometry(), QRect(231, 0, 337, 600));
    EXPECT_LE(TestFrames::distance(pixel(400, 300), kTeal), kTolerance);
    EXPECT_EQ(pixel(100, 300), QColor(Qt::black));
    EXPECT_EQ(pixel(700, 300), QColor(Qt::black));

    // A resize of the view refits the target at once.
    view.resize(600, 800);
    QApplication::processEvents();
    EXPECT_EQ(target()->geometry(), QRect(75, 0, 450, 800));
}

TEST_F(VideoViewTest, EverySoftwareFormatShowsItsColour)
{
    struct Case
    {
        AVPixelFormat format;
        QColor colour;
        TestFrames::Matrix matrix;
    };
    const Case cases[] = {
        {AV_PIX_FMT_YUV420P, kOrange, TestFrames::Matrix::Bt601},
        {AV_PIX_FMT_YUVJ420P, kOrange, TestFrames::Matrix::Bt601},
        {AV_PIX_FMT_YUV420P, kOrange, TestFrames::Matrix::Bt709},
        {AV_PIX_FMT_NV12, kTeal, TestFrames::Matrix::Bt601},
        {AV_PIX_FMT_NV21, kTeal, TestFrames::Matrix::Bt601},
        {AV_PIX_FMT_YUV422P, kTeal, TestFrames::Matrix::Bt709},
        {AV_PIX_FMT_YUV444P, kOrange, TestFrames::Matrix::Bt601},
        {AV_PIX_FMT_YUV420P10LE, kOrange, TestFrames::Matrix::Bt709},
        {AV_PIX_FMT_P010LE, kTeal, TestFrames::Matrix::Bt601},
        {AV_PIX_FMT_YUVA420P, kTeal, TestFrames::Matrix::Bt601},
        {AV_PIX_FMT_RGB24, kOrange, TestFrames::Matrix::Bt601},
        {AV_PIX_FMT_BGR0, kTeal, TestFrames::Matrix::Bt601},
        {AV_PIX_FMT_GRAY8, QColor(128, 128, 128), TestFrames::Matrix::Bt601},
    };
    for (const Case &c : cases) {
        const char *name = av_get_pix_fmt_name(c.format);
        FramePtr frame = solidFrame(640, 360, c.format, c.colour, c.matrix);
        ASSERT_TRUE(frame) << name;
        view.renderFrame(frame.get());
        const QColor shown = pixel(400, 300);
        EXPECT_LE(TestFrames::distance(shown, c.colour), kTolerance)
            << name << (c.matrix == TestFrames::Matrix::Bt709 ? " BT.709" : " BT.601") << ": shown "
            << shown.name().toStdString() << ", sent " << c.colour.name().toStdString();
    }
}

TEST_F(VideoViewTest, ClearFrameTurnsBlackAndTheNextFrameShowsAgain)
{
    FramePtr frame = solidFrame(1280, 720, AV_PIX_FMT_YUV420P, kOrange);
    view.renderFrame(frame.get());
    ASSERT_LE(TestFrames::distance(pixel(400, 300), kOrange), kTolerance);

    view.clearFrame();
    const QImage black = view.grab().toImage();
    for (const QPoint &p : {QPoint(400, 300), QPoint(5, 80), QPoint(795, 520), QPoint(400, 30)})
        EXPECT_EQ(black.pixelColor(p), QColor(Qt::black)) << p.x() << "," << p.y();

    // The next frame sets the scaler up anew.
    view.renderFrame(frame.get());
    EXPECT_LE(TestFrames::distance(pixel(400, 300), kOrange), kTolerance);
    EXPECT_EQ(view.scalerBuilds(), 2);
}

TEST_F(VideoViewTest, SameFormatSizeChangeRebuildsOnlyTheScaler)
{
    FramePtr hd = solidFrame(1280, 720, AV_PIX_FMT_YUV420P, kOrange);
    FramePtr fullHd = solidFrame(1920, 1080, AV_PIX_FMT_YUV420P, kTeal);
    view.renderFrame(hd.get());
    view.renderFrame(hd.get());
    EXPECT_EQ(view.scalerBuilds(), 1);
    EXPECT_EQ(view.imageBuilds(), 1);

    // Same aspect ratio: the target (and so the image) keeps its size.
    view.renderFrame(fullHd.get());
    EXPECT_EQ(view.scalerBuilds(), 2);
    EXPECT_EQ(view.imageBuilds(), 1);
    EXPECT_LE(TestFrames::distance(pixel(400, 300), kTeal), kTolerance);

    // A new target size needs both.
    view.resize(640, 600);
    view.renderFrame(fullHd.get());
    EXPECT_EQ(view.scalerBuilds(), 3);
    EXPECT_EQ(view.imageBuilds(), 2);
}

TEST_F(VideoViewTest, FailedConversionKeepsThePictureAndLogsOnce)
{
    FramePtr good = solidFrame(640, 360, AV_PIX_FMT_YUV420P, kOrange);
    view.renderFrame(good.get());
    LogCapture log;
    // NV16 is a software format that swscale does not take as input.
    FramePtr refused = solidFrame(640, 360, AV_PIX_FMT_NV16, kTeal);
    ASSERT_TRUE(refused);
    for (int i = 0; i < 5; ++i)
        view.renderFrame(refused.get());
    EXPECT_EQ(log.startingWith("JXDirectVideoView.cpp", "video conversion failure").size(), 1);
    EXPECT_EQ(view.scalerBuilds(), 2) << "a refused format is not retried frame by frame";
    EXPECT_LE(TestFrames::distance(pixel(400, 300), kOrange), kTolerance);

    // A good frame shows again, and a later failure is logged again.
    view.renderFrame(good.get());
    EXPECT_LE(TestFrames::distance(pixel(400, 300), kOrange), kTolerance);
    view.renderFrame(refused.get());
    EXPECT_EQ(log.startingWith("JXDirectVideoView.cpp", "video conversion failure").size(), 2);
}

TEST_F(VideoViewTest, OnlyTheLatestOfManyFramesIsDrawn)
{
    QSignalSpy painted(&view, &JXDirectVideoView::framePainted);
    std::vector<FramePtr> frames;
    for (int i = 1; i <= 10; ++i) {
        frames.push_back(solidFrame(640, 360, AV_PIX_FMT_YUV420P, i == 10 ? kTeal : kOrange));
        frames.back()->pts = i;
    }
    // Another thread, as the render: the draws are queued and none runs before the join.
    std::thread render([&frames, this] {
        for (const FramePtr &frame : frames)
            view.renderFrame(frame.get());
    });
    render.join();
    frames.clear(); // the view holds its own reference to the last one
    ASSERT_TRUE(painted.wait(2000));
    QTest::qWait(50);
    ASSERT_EQ(painted.size(), 1);
    EXPECT_EQ(painted.first().first().toLongLong(), 10);
    EXPECT_EQ(view.scalerBuilds(), 1);
    EXPECT_LE(TestFrames::distance(pixel(400, 300), kTeal), kTolerance);
}

TEST_F(VideoViewTest, NullAndEmptyFramesShowBlack)
{
    FramePtr good = solidFrame(640, 360, AV_PIX_FMT_YUV420P, kOrange);
    view.renderFrame(good.get());
    view.renderFrame(nullptr);
    EXPECT_EQ(pixel(400, 300), QColor(Qt::black));
    view.renderFrame(good.get());
    FramePtr empty(av_frame_alloc());
    view.renderFrame(empty.get());
    EXPECT_EQ(pixel(400, 300), QColor(Qt::black));
}
} // namespace
