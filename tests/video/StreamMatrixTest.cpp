// What cameras send, through the preview pane in a real X window and a private PulseAudio
// server (run_in_xvfb.py --pulse): H.264 and H.265 at 640x360, 1080p and 4K, a PAL-sized
// stream with non-square pixels, with AAC, G.711 A-law or mu-law sound or none, and a
// mount behind digest authentication. The GStreamer RTSP server loops one-second files
// that ffmpeg encodes here (100 % colour bars and a 1 kHz tone), so no live encoder has to
// keep up at 4K.
#include "RtspServer.h"
#include "TestFrames.h"
#include "support/LogCapture.h"
#include "support/TestPaths.h"

#include "JXUtils/JXConfigure.h"
#include "JXWidget/JXLabel.h"
#include "JXWidget/JXPixmapsButton.h"
#include "JXWidget/JXProgress.h"
#include "UI/VeltoDeviceVideoView.h"
#include "resources/JXResources.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
struct Mount
{
    const char *name;
    const char *codec; // "h264" or "h265"
    int width, height, fps;
    const char *sar;   // sample aspect ratio as ffmpeg's setsar takes it
    const char *audio; // rtsp_server.py's audio= value
};

// The 4K mounts run at 10 fps: two cores decode 4K H.265 at about that rate.
const Mount kMounts[] = {
    {"h264-360-aac", "h264", 640, 360, 25, "1", "aac"},
    {"h265-360-pcma", "h265", 640, 360, 25, "1", "pcma"},
    {"h264-1080-pcmu", "h264", 1920, 1080, 25, "1", "pcmu"},
    {"h265-1080-none", "h265", 1920, 1080, 25, "1", "none"},
    {"h264-2160-aac", "h264", 3840, 2160, 10, "1", "aac"},
    {"h265-2160-none", "h265", 3840, 2160, 10, "1", "none"},
    {"h264-pal-sar", "h264", 704, 576, 25, "12/11", "none"},
};

// ffmpeg's pal100bars, left to right.
const QColor kBars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                         {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
// The encoders' fastest presets, 4:2:0 chroma and two scalings.
constexpr int kTolerance = 48;
// The null sink's rate, and the sent tone's peak (half of full scale, rtsp_server.py)
// after the mono stream is spread over two channels at -3 dB.
constexpr int kSinkRate = 48000;
constexpr int kTonePeak = static_cast<int>(32767 * 0.5 * 0.7071);
// How long two seconds of the sink's output may take to arrive from a busy sound server.
constexpr int kRecordTimeoutMs = 15000;
const QByteArray kUser = "installer";
const QByteArray kPassword = "s3cret-Pa55";

QString encode(const QString &dir, const Mount &mount)
{
    const QString file = dir + "/" + mount.name + "." + mount.codec;
    const QString gop = QString("keyint=%1:bframes=0:aud=1").arg(mount.fps);
    QStringList args = {"-v",
                        "error",
                        "-y",
                        "-f",
                        "lavfi",
                        "-i",
                        QString("pal100bars=size=%1x%2:rate=%3:duration=1")
                            .arg(mount.width)
                            .arg(mount.height)
                            .arg(mount.fps),
                        "-vf",
                        QString("setsar=%1,format=yuv420p").arg(mount.sar)};
    if (QByteArray(mount.codec) == "h264")
        args += {"-c:v", "libx264", "-preset", "ultrafast", "-x264-params", gop, "-f", "h264"};
    else
        args +=
            {"-c:v", "libx265", "-preset", "ultrafast", "-x265-params", gop + ":log-level=error",
             "-f",   "hevc"};
    QProcess::execute("ffmpeg", args + QStringList{file});
    return file;
}

// Frequency of the loudest channel's tone in 16-bit interleaved stereo, from its rising
// zero crossings.
double toneFrequency(const QByteArray &pcm, int rate)
{
    const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
    const int frames = pcm.size() / 4;
    int crossings = 0;
    for (int i = 1; i < frames; ++i)
        crossings += samples[2 * (i - 1)] < 0 && samples[2 * i] >= 0;
    return frames ? crossings * static_cast<double>(rate) / frames : 0.0;
}

// Largest sample of 16-bit interleaved sound.
int peak(const QByteArray &pcm)
{
    const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
    int largest = 0;
    for (int i = 0; i < pcm.size() / 2; ++i)
        largest = std::max(largest, std::abs(int{samples[i]}));
    return largest;
}

int shownSeconds(const JXLabel *label)
{
    const QStringList parts = label->text().split(':');
    return parts.size() == 3 ? parts[0].toInt() * 3600 + parts[1].toInt() * 60 + parts[2].toInt()
                             : -1;
}

class StreamMatrixTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        media = new QTemporaryDir;
        for (const Mount &mount : kMounts)
            files << QString("%1:video=%2,audio=%3,fps=%4")
                         .arg(mount.name, encode(media->path(), mount), mount.audio)
                         .arg(mount.fps);
    }
    static void TearDownTestSuite()
    {
        delete media;
        media = nullptr;
        files.clear();
    }

    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb");
        JXConfigure().setHardwareDecoding(false);
        JXResources::init();
        pane.setGeometry(0, 0, 900, 480);
        pane.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    }

    // Starts server with every mount (and the arguments given).
    static bool serve(RtspServer &server, const QStringList &arguments = {})
    {
        QStringList all = arguments;
        for (const QString &mount : files)
            all << "--mount" << mount;
        return server.start(all);
    }

    template <typename T>
    T *child(const char *name)
    {
        return pane.findChild<T *>(name);
    }

    // Plays url until the first picture, then checks that the time runs.
    void playUntilShown(const QByteArray &url)
    {
        pane.play(QString::fromUtf8(url));
        auto *spinner = child<JXProgress>("spinner");
        auto *timeLabel = child<JXLabel>("timeLabel");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !spinner->isAnimated(); }, 20000)) << "no picture";
        ASSERT_TRUE(QTest::qWaitFor([&] { return shownSeconds(timeLabel) >= 0; }, 3000));
        // RTSP times may restart once the server's first sender report lines the streams up.
        const int first = shownSeconds(timeLabel);
        EXPECT_TRUE(QTest::qWaitFor([&] { return shownSeconds(timeLabel) >= first + 1; }, 6000))
            << "the time stands at " << timeLabel->text().toStdString();
    }

    void expectBars()
    {
        auto *target = child<QWidget>("target");
        const QRect onScreen(target->mapToGlobal(QPoint(0, 0)), target->size());
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        for (int bar = 0; bar < 8; ++bar) {
            const QPoint centre(onScreen.left() + (2 * bar + 1) * onScreen.width() / 16,
                                onScreen.top() + onScreen.height() / 2);
            const QColor shown = screen.pixelColor(centre);
            EXPECT_LE(TestFrames::distance(shown, kBars[bar]), kTolerance)
                << "bar " << bar << ": " << shown.name().toStdString() << ", expected "
                << kBars[bar].name().toStdString();
        }
    }

    // What the pane plays while it shows the picture, as the sound server hears it: two
    // seconds of its output, recorded from the monitor of the null sink that
    // run_in_xvfb.py --pulse made the default. The recording is counted in bytes, not in
    // wall time: on a busy machine parec may take a second or more to connect.
    static void expectTone()
    {
        const QByteArray sink = qgetenv("LANKIT_PULSE_SINK");
        ASSERT_FALSE(sink.isEmpty()) << "no sound server: run under run_in_xvfb.py --pulse";
        QProcess recorder;
        recorder.start("parec", {"-d", sink + ".monitor", "--raw", "--format=s16le", "--rate=48000",
                                 "--channels=2"});
        ASSERT_TRUE(recorder.waitForStarted(5000)) << "parec did not start";
        QByteArray pcm;
        const bool recorded = QTest::qWaitFor(
            [&] {
                pcm += recorder.readAllStandardOutput();
                return pcm.size() >= kSinkRate * 4 * 2;
            },
            kRecordTimeoutMs);
        recorder.kill();
        recorder.waitForFinished(5000);
        ASSERT_TRUE(recorded) << pcm.size() << " bytes recorded in " << kRecordTimeoutMs << " ms";
        // The last second: the recorder's start may catch the output as it opens.
        const QByteArray last = pcm.right(kSinkRate * 4);
        EXPECT_NEAR(toneFrequency(last, kSinkRate), 1000.0, 50.0);
        EXPECT_GT(peak(last), kTonePeak / 2) << "the tone is too quiet";
    }

    static QTemporaryDir *media;
    static QStringList files; // --mount values
    ScopedAppDir appDir;
    VeltoDeviceVideoView pane;
};

QTemporaryDir *StreamMatrixTest::media = nullptr;
QStringList StreamMatrixTest::files;

TEST_F(StreamMatrixTest, EveryMountShowsItsPictureInItsShapeAndPlaysItsSound)
{
    RtspServer server(testSourceDir());
    ASSERT_TRUE(serve(server));
    for (const Mount &mount : kMounts) {
        SCOPED_TRACE(mount.name);
        playUntilShown(server.url(mount.name));
        expectBars();
        // The picture keeps the shape it is meant to be seen in: 704 x 576 at 12:11 is 4:3.
        const QSize target = child<QWidget>("target")->size();
        QStringList sar = QString(mount.sar).split('/');
        const double shape = mount.width * sar.first().toDouble() /
                             (sar.size() > 1 ? sar.last().toDouble() : 1.0) / mount.height;
        EXPECT_NEAR(double(target.width()) / target.height(), shape, 0.02 * shape)
            << target.width() << "x" << target.height();
        if (QByteArray(mount.audio) != "none")
            expectTone();
        pane.stop();
    }
}

TEST_F(StreamMatrixTest, DigestAuthenticationPlaysWithTheRightPasswordOnly)
{
    RtspServer server(testSourceDir());
    ASSERT_TRUE(serve(
        server, {"--auth", QString::fromUtf8(kUser + ":" + kPassword), "--tell-connections"}));
    LogCapture log;
    playUntilShown(server.url("h264-360-aac", kUser + ":" + kPassword));
    pane.stop();

    const int from = log.size();
    const int connectionsBefore = server.connections();
    QElapsedTimer clock;
    clock.start();
    pane.play(QString::fromUtf8(server.url("h264-360-aac", kUser + ":wrong" + kPassword)));
    // The player's open time-out is 10 s; a refused login ends well before it.
    ASSERT_TRUE(log.waitFor("JXPlayerReader.cpp: open stream failure", 10000, from))
        << "no open failure";
    EXPECT_LT(clock.elapsed(), 10000);
    // A lost stream is tried again after 1 s and then 2 s more; a refused login never is.
    QTest::qWait(3500);
    EXPECT_EQ(server.connections() - connectionsBefore, 1) << "the refused login was retried";
    EXPECT_EQ(log.matching("JXPlayerReader.cpp: open stream failure", from).size(), 1);
    EXPECT_EQ(child<JXPixmapsButton>("playButton")->state(), 0);
    EXPECT_TRUE(child<JXLabel>("noticeLabel")->isVisible());
    EXPECT_EQ(child<JXLabel>("noticeLabel")->text(),
              "The camera refused the user name or password");
    EXPECT_FALSE(child<JXProgress>("spinner")->isAnimated());
    EXPECT_TRUE(child<JXLabel>("timeLabel")->text().isEmpty());
    const QStringList refused = log.matching("JXPlayerReader.cpp: open rtsp://", from);
    ASSERT_EQ(refused.size(), 2) << refused.join('\n').toStdString();
    const QString redacted = QString::fromUtf8(kUser + ":***@127.0.0.1");
    EXPECT_TRUE(refused[0].contains(redacted)) << refused[0].toStdString();
    EXPECT_TRUE(refused[1].contains(redacted + QString(":%1/h264-360-aac refused: wrong user "
                                                       "name or password")
                                                   .arg(server.port())))
        << refused[1].toStdString();
    for (const QString &line : log.lines())
        EXPECT_FALSE(line.contains(QString::fromUtf8(kPassword))) << line.toStdString();
    pane.stop();
}
} // namespace
