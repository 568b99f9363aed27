// The device preview pane on the offscreen platform: the time label, the controls, a live
// RTSP stream, an address that never answers, the hardware setting and row switching.
#include "RtspServer.h"
#include "SilentPort.h"
#include "StatusRtspPort.h"
#include "support/LogCapture.h"
#include "support/TestPaths.h"

#include "JXUtils/JXConfigure.h"
#include "JXWidget/JXLabel.h"
#include "JXWidget/JXPixmapsButton.h"
#include "JXWidget/JXProgress.h"
#include "UI/VeltoDeviceVideoView.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <malloc.h>
#include <sys/stat.h>
#include <thread>

extern "C" {
#include <libavutil/hwcontext.h>
}

namespace {
using Ev = JXPlayerObserver;

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
// Sanitizers slow every thread join and allocation many times over.
constexpr double kGapLimitMs = 1000.0;
#else
constexpr double kGapLimitMs = 100.0;
#endif

int threadCount()
{
    return static_cast<int>(
        QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

long heapInUseKiB()
{
    return static_cast<long>(mallinfo2().uordblks / 1024);
}

class PaneTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        JXConfigure().setHardwareDecoding(false);
        pane = std::make_unique<VeltoDeviceVideoView>();
        pane->resize(640, 390);
        pane->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pane.get()));
    }
    void TearDown() override { pane.reset(); }

    JXPixmapsButton *playButton() { return pane->findChild<JXPixmapsButton *>("playButton"); }
    JXPixmapsButton *soundButton() { return pane->findChild<JXPixmapsButton *>("soundButton"); }
    JXLabel *timeLabel() { return pane->findChild<JXLabel *>("timeLabel"); }
    JXProgress *spinner() { return pane->findChild<JXProgress *>("spinner"); }
    QWidget *view() { return pane->findChild<QWidget *>("view"); }
    JXLabel *notice() { return pane->findChild<JXLabel *>("noticeLabel"); }
    bool pictureIsBlack()
    {
        const QImage picture = view()->grab().toImage();
        for (const QPoint &p : {QPoint(320, 180), QPoint(5, 5), QPoint(630, 350)}) {
            if (picture.pixelColor(p) != QColor(Qt::black))
                return false;
        }
        return true;
    }

    bool waitForPicture(double seconds)
    {
        return QTest::qWaitFor([this] { return !spinner()->isAnimated(); },
                               static_cast<int>(seconds * 1000));
    }
    // Seconds shown by the time label, -1 when it shows none.
    int shownSeconds()
    {
        const QStringList parts = timeLabel()->text().split(':');
        if (parts.size() != 3)
            return -1;
        return parts[0].toInt() * 3600 + parts[1].toInt() * 60 + parts[2].toInt();
    }

    ScopedAppDir appDir;
    std::unique_ptr<VeltoDeviceVideoView> pane;
};

TEST_F(PaneTest, TimeLabelShowsWholeSecondsAndIgnoresWhatCannotBeAPosition)
{
    struct Case
    {
        double position;
        const char *expected;
    };
    const Case cases[] = {
        {3725.9, "01:02:05"}, {0.0, "00:00:00"},          {59.999, "00:00:59"},
        {86399, "23:59:59"},  {360000, "100:00:00"},      {-0.5, "00:00:00"},
        {-1.0, "00:00:00"},   {-3600, "00:00:00"},        {std::nan(""), "00:00:00"},
        {1e300, "00:00:00"},  {2147483648.0, "00:00:00"}, {2147483647.9, "596523:14:07"},
    };
    for (const Case &c : cases) {
        pane->updatePlay(Ev::kFrame, 0.0, 0.0); // "00:00:00" before each case
        pane->updatePlay(Ev::kFrame, c.position, 99.0);
        EXPECT_EQ(timeLabel()->text(), c.expected) << c.position;
    }
}

TEST_F(PaneTest, EventsSetTheControls)
{
    spinner()->startAnimation();
    playButton()->setState(1);
    pane->updatePlay(Ev::kOpened, 0, 0);
    EXPECT_EQ(timeLabel()->text(), "00:00:00");
    EXPECT_TRUE(spinner()->isAnimated());
    pane->updatePlay(Ev::kFirstFrame, 0, 0);
    EXPECT_FALSE(spinner()->isAnimated());
    pane->updatePlay(Ev::kEnded, 0, 0);
    EXPECT_EQ(timeLabel()->text(), "");
    EXPECT_EQ(playButton()->state(), 1) << "the end of a stream leaves the button alone";

    spinner()->startAnimation();
    pane->updatePlay(Ev::kOpened, 0, 0);
    pane->updatePlay(Ev::kOpenFailed, 0, 0);
    EXPECT_EQ(timeLabel()->text(), "");
    EXPECT_EQ(playButton()->state(), 0);
    EXPECT_FALSE(spinner()->isAnimated()) << "nothing loads after a failed open";

    pane->updatePlay(Ev::kFrame, 7.0, 0);
    pane->updatePlay(99, 1.0, 0);
    EXPECT_EQ(timeLabel()->text(), "00:00:07");
}

TEST_F(PaneTest, ControlsAreLaidOutUnderThePicture)
{
    pane->resize(800, 530);
    QApplication::processEvents();
    EXPECT_EQ(view()->geometry(), QRect(0, 0, 800, 500));
    EXPECT_EQ(playButton()->geometry(), QRect(10, 505, 20, 20));
    EXPECT_EQ(soundButton()->geometry(), QRect(40, 505, 20, 20));
    EXPECT_EQ(timeLabel()->geometry(), QRect(700, 505, 80, 20));
    EXPECT_EQ(spinner()->geometry(), QRect(385, 235, 30, 30));
}

TEST_F(PaneTest, PlayWithoutAnAddressDoesNothing)
{
    QTest::mouseClick(playButton(), Qt::LeftButton);
    EXPECT_EQ(playButton()->state(), 0);
    EXPECT_FALSE(spinner()->isAnimated());
    EXPECT_FALSE(pane->isOpened());
}

TEST_F(PaneTest, SoundButtonTogglesMute)
{
    QTest::mouseClick(soundButton(), Qt::LeftButton);
    EXPECT_EQ(soundButton()->state(), 1);
    QTest::mouseClick(soundButton(), Qt::LeftButton);
    EXPECT_EQ(soundButton()->state(), 0);
}

TEST_F(PaneTest, HardwareSettingChoosesVaapi)
{
    JXConfigure().setHardwareDecoding(true);
    EXPECT_EQ(VeltoDeviceVideoView::configuredHardwareType(), AV_HWDEVICE_TYPE_VAAPI);
    JXConfigure().setHardwareDecoding(false);
    EXPECT_EQ(VeltoDeviceVideoView::configuredHardwareType(), AV_HWDEVICE_TYPE_NONE);
}

TEST_F(PaneTest, LiveStreamStopsTheSpinnerAndRunsTheClock)
{
    RtspServer server(testSourceDir());
    ASSERT_TRUE(server.start());
    pane->play(QString::fromUtf8(server.url()));
    EXPECT_EQ(playButton()->state(), 1);
    EXPECT_TRUE(spinner()->isAnimated());
    ASSERT_TRUE(waitForPicture(15));
    EXPECT_TRUE(pane->isOpened());
    ASSERT_TRUE(QTest::qWaitFor([this] { return shownSeconds() >= 0; }, 2000));
    const int first = shownSeconds();
    QTest::qWait(2500);
    EXPECT_GE(shownSeconds(), first + 2) << timeLabel()->text().toStdString();

    // The play button pauses into black; pressed again it replays the same address.
    QTest::mouseClick(playButton(), Qt::LeftButton);
    EXPECT_EQ(playButton()->state(), 0);
    EXPECT_FALSE(pane->isOpened());
    EXPECT_EQ(timeLabel()->text(), "");
    QTest::mouseClick(playButton(), Qt::LeftButton);
    EXPECT_EQ(playButton()->state(), 1);
    EXPECT_TRUE(waitForPicture(15));
    pane->stop();
    EXPECT_EQ(playButton()->state(), 0);
    EXPECT_EQ(timeLabel()->text(), "");
}

TEST_F(PaneTest, HardwareDecodingFallsBackToSoftwareWithoutADevice)
{
    RtspServer server(testSourceDir());
    ASSERT_TRUE(server.start());
    JXConfigure().setHardwareDecoding(true);
    LogCapture log;
    pane->play(QString::fromUtf8(server.url()));
    ASSERT_TRUE(waitForPicture(15));
    ASSERT_TRUE(QTest::qWaitFor([this] { return shownSeconds() >= 0; }, 2000));
    // Machines without a VAAPI device log the attempt; with one, the picture is enough.
    const QStringList attempts = log.startingWith("JXPlayerDecoder.cpp", "hw decoder init failure");
    if (!QFile::exists("/dev/dri")) {
        EXPECT_EQ(attempts.size(), 1);
    }
    for (const QString &line : attempts)
        EXPECT_TRUE(line.startsWith(
            QString("hw decoder init failure, deviceType = %1").arg(AV_HWDEVICE_TYPE_VAAPI)))
            << line.toStdString();
    pane->stop();
}

TEST_F(PaneTest, AnAddressThatNeverAnswersEndsInPlayWithoutHangingTheWindow)
{
    SilentPort silent;
    ASSERT_GT(silent.port(), 0);
    // A 10 ms timer on the GUI thread: the longest gap between two ticks is the longest
    // time the window could not have reacted to the operator.
    QElapsedTimer clock;
    bool pending = true;
    double longestGap = 0;
    qint64 lastTick = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (pending)
            longestGap = std::max(longestGap, (now - lastTick) / 1e6);
        lastTick = now;
    });
    clock.start();
    ticker.start(10);
    pane->play(QString("rtsp://127.0.0.1:%1/live").arg(silent.port()));
    EXPECT_TRUE(spinner()->isAnimated());
    ASSERT_TRUE(QTest::qWaitFor([this] { return notice()->isVisible(); }, 20000));
    pending = false;
    const qint64 failedAfter = clock.elapsed();
    ticker.stop();

    EXPECT_GT(failedAfter, 9000) << "the player's open timeout is 10 s";
    EXPECT_LT(longestGap, kGapLimitMs);
    EXPECT_EQ(timeLabel()->text(), "");
    EXPECT_FALSE(spinner()->isAnimated());
    EXPECT_EQ(playButton()->state(), 1) << "pause stays offered while a retry is planned";
    EXPECT_TRUE(pictureIsBlack());

    // Leaving the failed row joins the pipeline's threads on the GUI thread.
    const qint64 stopBegan = clock.nsecsElapsed();
    pane->stop();
    const double stopMs = (clock.nsecsElapsed() - stopBegan) / 1e6;
    EXPECT_LT(stopMs, kGapLimitMs);
    printf("[ figures ] longest GUI timer gap while opening: %.1f ms; stop after the failure: "
           "%.1f ms\n",
           longestGap, stopMs);
}

TEST_F(PaneTest, EventsOfAClosedStreamDoNotTouchTheNextOne)
{
    RtspServer server(testSourceDir());
    ASSERT_TRUE(server.start());
    pane->play(QString::fromUtf8(server.url()));
    // An "open failed" raised by the pipeline just before the operator picked another row.
    std::thread late([this] { pane->onPlayerEvent(nullptr, Ev::kOpenFailed, 0, 0); });
    late.join();
    pane->play(QString::fromUtf8(server.url()));
    QApplication::processEvents();
    EXPECT_EQ(playButton()->state(), 1);
    EXPECT_TRUE(spinner()->isAnimated());
    EXPECT_TRUE(waitForPicture(15));
    pane->stop();
}

TEST_F(PaneTest, SwitchingRowsLeavesNoThreadAndNoMemoryBehind)
{
    RtspServer first(testSourceDir());
    RtspServer second(testSourceDir());
    ASSERT_TRUE(first.start());
    ASSERT_TRUE(second.start());
    const QString urls[2] = {QString::fromUtf8(first.url()), QString::fromUtf8(second.url())};
    constexpr int kSwitches = 100;
    constexpr int kWarmUp = 10;
    int threadsBefore = 0;
    long heapAfterWarmUp = 0;
    int pictures = 0;
    for (int i = 0; i < kSwitches; ++i) {
        pane->stop();
        if (i == kWarmUp) {
            threadsBefore = threadCount();
            heapAfterWarmUp = heapInUseKiB();
        }
        pane->play(urls[i % 2]);
        // Every fifth row is watched until its picture shows; the others are left while
        // they are still opening, as an operator scrolling through the table does.
        if (i % 5 == 0)
            pictures += waitForPicture(15);
        else
            QTest::qWait(20);
    }
    pane->stop();
    QTest::qWait(100);
    const int threadsAfter = threadCount();
    const long heapAtEnd = heapInUseKiB();
    EXPECT_EQ(pictures, kSwitches / 5);
    EXPECT_LE(threadsAfter, threadsBefore);
    // A leaked frame of this stream alone would be 340 KiB per switch.
    EXPECT_LT(heapAtEnd - heapAfterWarmUp, 4096) << heapAfterWarmUp << " -> " << heapAtEnd;
    printf("[ figures ] threads %d -> %d, heap %ld KiB -> %ld KiB over %d switches\n",
           threadsBefore, threadsAfter, heapAfterWarmUp, heapAtEnd, kSwitches - kWarmUp);
}

// Only "rtsp://" with a host reaches the demuxer: everything else could name a local file,
// a pipe or another service, and some of those never return from their open.
TEST(PaneAddressTest, OnlyRtspAddressesWithAHostArePlayed)
{
    const QString longest = "rtsp://10.77.0.2/" + QString(1024 - 17, 'a');
    const struct
    {
        QString url;
        bool played;
    } cases[] = {
        {"rtsp://10.77.0.2:554/live/ch1", true},
        {"rtsp://cam-7.local/live?user=a&x=%20", true},
        {longest, true},
        {longest + "a", false},
        {"rtsp://" + QString(10000, 'a'), false},
        {"", false},
        {"rtsp://", false},
        {"rtsp:///live", false},
        {"rtsp:10.77.0.2/live", false},
        {"RTSP://10.77.0.2/live", false},
        {" rtsp://10.77.0.2/live", false},
        {"rtsp://10.77.0.2/live\r\nCSeq: 9", false},
        {"rtsp://10.77.0.2/a b", false},
        {"rtsp://10.77.0.2/\x7f", false},
        {QString::fromUtf8("rtsp://10.77.0.2/\xc3\xa9"), false},
        {"file:///etc/passwd", false},
        {"/dev/stdin", false},
        {"/tmp/a-fifo", false},
        {"pipe:0", false},
        {"http://10.77.0.2/", false},
        {"subfile,,start,0,end,9,,:rtsp://10.77.0.2/", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(VeltoDeviceVideoView::isStreamAddress(c.url), c.played)
            << c.url.left(60).toStdString();
}

TEST(PaneAddressTest, RetriesWaitOneTwoThenFourSeconds)
{
    const int expected[] = {1000, 2000, 4000, 4000, 4000};
    for (int attempt = 0; attempt < 5; ++attempt)
        EXPECT_EQ(VeltoDeviceVideoView::retryDelayMs(attempt), expected[attempt]) << attempt;
}

// Addresses a hostile or broken device may report. Each ends at once like a failed open,
// is logged once with its control bytes escaped, and is never retried; switching between
// them and closing the pane take no time.
TEST_F(PaneTest, HostileAddressesEndAtOnceAndLeaveTheWindowResponsive)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("camera.fifo");
    ASSERT_EQ(mkfifo(fifo.toUtf8().constData(), 0600), 0);
    SilentPort web;
    const struct
    {
        QString url;
        QString logged;
    } cases[] = {
        {fifo, fifo},
        {"/dev/stdin", "/dev/stdin"},
        {"file:///etc/passwd", "file:///etc/passwd"},
        {QString("http://127.0.0.1:%1/").arg(web.port()),
         QString("http://127.0.0.1:%1/").arg(web.port())},
        {"rtsp://" + QString(10000, 'a'), "rtsp://" + QString(193, 'a') + "... (10007 characters)"},
        {"rtsp://10.77.0.2/live\r\nCSeq: 9", "rtsp://10.77.0.2/live\\x0d\\x0aCSeq: 9"},
        {"", ""},
    };
    // Gaps are measured while the pane works, not while the test grabs the picture.
    QElapsedTimer clock;
    double longestGap = 0;
    qint64 lastTick = 0;
    bool measuring = true;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (measuring)
            longestGap = std::max(longestGap, (now - lastTick) / 1e6);
        lastTick = now;
    });
    LogCapture log;
    clock.start();
    ticker.start(10);
    double longestSwitchMs = 0;
    for (const auto &c : cases) {
        const qint64 began = clock.nsecsElapsed();
        pane->play(c.url);
        longestSwitchMs = std::max(longestSwitchMs, (clock.nsecsElapsed() - began) / 1e6);
        EXPECT_FALSE(pane->isOpened()) << c.logged.toStdString();
        EXPECT_EQ(playButton()->state(), 0);
        EXPECT_FALSE(spinner()->isAnimated());
        QTest::qWait(50);
        measuring = false;
        EXPECT_TRUE(pictureIsBlack());
        lastTick = clock.nsecsElapsed();
        measuring = true;
    }
    // The first retry of a lost stream would come after 1 s.
    QTest::qWait(1300);
    EXPECT_FALSE(notice()->isVisible());
    const QStringList refused =
        log.startingWith("VeltoDeviceVideoView.cpp", "not a stream address, not played: ");
    ASSERT_EQ(refused.size(), static_cast<int>(std::size(cases)));
    for (int i = 0; i < refused.size(); ++i)
        EXPECT_EQ(refused[i], "not a stream address, not played: \"" + cases[i].logged + "\"");
    EXPECT_TRUE(log.startingWith("JXPlayerReader.cpp", "").isEmpty()) << "no reader ran";

    const qint64 closeBegan = clock.nsecsElapsed();
    pane.reset();
    const double closeMs = (clock.nsecsElapsed() - closeBegan) / 1e6;
    ticker.stop();
    EXPECT_LT(longestGap, kGapLimitMs);
    EXPECT_LT(longestSwitchMs, 1000.0);
    EXPECT_LT(closeMs, 1000.0);
    printf("[ figures ] hostile addresses: longest GUI timer gap %.1f ms, longest switch %.1f ms, "
           "close %.1f ms\n",
           longestGap, longestSwitchMs, closeMs);
}

// A player event is raised on a pipeline thread: the widgets may change only once the GUI
// thread runs the queued call, never from the raising thread itself.
TEST_F(PaneTest, PlayerEventsFromAnotherThreadReachTheWidgetsOnlyThroughTheGuiThread)
{
    spinner()->startAnimation();
    std::thread raiser([this] {
        pane->onPlayerEvent(nullptr, Ev::kOpened, 0, 0);
        pane->onPlayerEvent(nullptr, Ev::kFirstFrame, 0, 0);
    });
    raiser.join();
    EXPECT_EQ(timeLabel()->text(), "");
    EXPECT_TRUE(spinner()->isAnimated());
    QApplication::processEvents();
    EXPECT_EQ(timeLabel()->text(), "00:00:00");
    EXPECT_FALSE(spinner()->isAnimated());
}

// The camera's RTSP server goes away for 8 s, as a camera that restarts: the pane shows that
// it reconnects and the picture comes back by itself; pause, or another row, ends the retries.
TEST_F(PaneTest, ACameraThatRefusesTheUserIsNotAskedAgainButABusyOneIs)
{
    struct Case
    {
        const char *status;
        bool retried;
        const char *notice;
    };
    const Case cases[] = {
        {"403 Forbidden", false, "The camera refused the user name or password"},
        {"503 Service Unavailable", true, "Reconnecting…"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.status);
        StatusRtspPort camera(c.status);
        pane->play(QString("rtsp://installer:pw@127.0.0.1:%1/live").arg(camera.port()));
        ASSERT_TRUE(QTest::qWaitFor([this] { return !spinner()->isAnimated(); }, 10000));
        // The first retry comes 1 s after the failure.
        const bool retried = QTest::qWaitFor([&] { return camera.connections() > 1; }, 2500);
        EXPECT_EQ(retried, c.retried) << camera.connections() << " connections";
        EXPECT_EQ(playButton()->state(), c.retried ? 1 : 0);
        ASSERT_TRUE(QTest::qWaitFor([this] { return notice()->isVisible(); }, 2000));
        EXPECT_EQ(notice()->text(), QString::fromUtf8(c.notice));
        pane->stop();
        EXPECT_FALSE(notice()->isVisible());
    }
}

TEST_F(PaneTest, APictureLostForEightSecondsComesBackByItself)
{
    RtspServer server(testSourceDir());
    ASSERT_TRUE(server.start());
    const int port = server.port();
    pane->play(QString::fromUtf8(server.url()));
    ASSERT_TRUE(waitForPicture(15)) << "first picture";

    server.kill();
    ASSERT_TRUE(QTest::qWaitFor([this] { return notice()->isVisible(); }, 5000))
        << "the end of the stream is told on the picture";
    EXPECT_EQ(playButton()->state(), 1);
    QTest::qWait(8000);
    ASSERT_TRUE(server.start({"--port", QString::number(port)}));
    QElapsedTimer back;
    back.start();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            return shownSeconds() >= 0 && !spinner()->isAnimated() && !notice()->isVisible();
        },
        5000))
        << "no picture 5 s after the server came back";
    printf("[ figures ] picture back %.1f s after the server\n", back.elapsed() / 1000.0);

    // Pause during a planned retry: nothing opens again.
    server.kill();
    ASSERT_TRUE(QTest::qWaitFor([this] { return notice()->isVisible(); }, 5000));
    QTest::mouseClick(playButton(), Qt::LeftButton);
    EXPECT_FALSE(notice()->isVisible());
    ASSERT_TRUE(server.start({"--port", QString::number(port)}));
    QTest::qWait(2500);
    EXPECT_FALSE(pane->isOpened()) << "pause must end the retries";
    EXPECT_EQ(playButton()->state(), 0);

    // Another row while the first is retrying: only the new address is played from then on.
    pane->play(QString::fromUtf8(server.url()));
    ASSERT_TRUE(waitForPicture(15));
    server.kill();
    ASSERT_TRUE(QTest::qWaitFor([this] { return notice()->isVisible(); }, 5000));
    RtspServer other(testSourceDir());
    ASSERT_TRUE(other.start());
    pane->play(QString::fromUtf8(other.url()));
    EXPECT_FALSE(notice()->isVisible());
    ASSERT_TRUE(waitForPicture(15));
    ASSERT_TRUE(server.start({"--port", QString::number(port)}));
    QTest::qWait(2500);
    EXPECT_EQ(pane->address(), QString::fromUtf8(other.url()));
    EXPECT_FALSE(notice()->isVisible());
    pane->stop();
}
} // namespace
