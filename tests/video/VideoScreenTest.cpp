// The preview pane in a real X window (run_in_xvfb.py): the screen shows the RTSP test
// stream's SMPTE colour bars where the picture belongs and black around it, the spinner
// stops at the first frame and the time runs. The screenshot is kept at $LANKIT_SCREENSHOT.
#include "RtspServer.h"
#include "TestFrames.h"
#include "support/TestPaths.h"

#include "JXUtils/JXConfigure.h"
#include "JXWidget/JXLabel.h"
#include "JXWidget/JXProgress.h"
#include "UI/VeltoDeviceVideoView.h"
#include "resources/JXResources.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// The seven bars across the top two thirds of the test pattern, left to right.
const QColor kBars[7] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                         {255, 0, 255},   {255, 0, 0},   {0, 0, 255}};
// H.264 at its fastest preset, 4:2:0 chroma and two scalings.
constexpr int kTolerance = 40;

int seconds(const QString &text)
{
    const QStringList parts = text.split(':');
    return parts.size() == 3 ? parts[0].toInt() * 3600 + parts[1].toInt() * 60 + parts[2].toInt()
                             : -1;
}

TEST(VideoScreen, ScreenShowsTheColourBarsOfTheLiveStream)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    ScopedAppDir appDir;
    JXConfigure().setHardwareDecoding(false);
    JXResources::init();
    RtspServer server(testSourceDir());
    ASSERT_TRUE(server.start({"--pattern", "smpte"}));

    VeltoDeviceVideoView pane;
    pane.setGeometry(0, 0, 900, 480);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    auto *spinner = pane.findChild<JXProgress *>("spinner");
    auto *timeLabel = pane.findChild<JXLabel *>("timeLabel");
    pane.play(QString::fromUtf8(server.url()));
    EXPECT_TRUE(spinner->isAnimated());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !spinner->isAnimated(); }, 15000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return seconds(timeLabel->text()) >= 0; }, 2000));
    const int firstSecond = seconds(timeLabel->text());
    QTest::qWait(2200);
    EXPECT_GE(seconds(timeLabel->text()), firstSecond + 2);

    // The picture area: 640 x 360 in a 900 x 450 view is 800 x 450 at x 50.
    auto *target = pane.findChild<QWidget *>("target");
    ASSERT_EQ(target->geometry(), QRect(50, 0, 800, 450));
    const QRect onScreen(target->mapToGlobal(QPoint(0, 0)), target->size());
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const QString keep = qEnvironmentVariable("LANKIT_SCREENSHOT");
    if (!keep.isEmpty())
        screen.copy(QRect(pane.mapToGlobal(QPoint(0, 0)), pane.size())).save(keep);

    for (int bar = 0; bar < 7; ++bar) {
        const QPoint centre(onScreen.left() + (2 * bar + 1) * onScreen.width() / 14,
                            onScreen.top() + onScreen.height() / 3);
        const QColor shown = screen.pixelColor(centre);
        EXPECT_LE(TestFrames::distance(shown, kBars[bar]), kTolerance)
            << "bar " << bar << " at " << centre.x() << "," << centre.y() << ": "
            << shown.name().toStdString() << ", expected " << kBars[bar].name().toStdString();
    }
    const QPoint left = pane.mapToGlobal(QPoint(25, 225));
    const QPoint right = pane.mapToGlobal(QPoint(875, 225));
    EXPECT_EQ(screen.pixelColor(left), QColor(Qt::black));
    EXPECT_EQ(screen.pixelColor(right), QColor(Qt::black));
    pane.stop();
}
} // namespace
