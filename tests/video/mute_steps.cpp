// Plays a URL in the preview pane and works its sound button as an operator would, for
// mute_test.py, which records the default PulseAudio sink meanwhile.
//   video_mute_steps URL
// Prints "picture", "muted" and "unmuted" (each followed by the steady-clock time in
// seconds) as it goes; 3 s pass between the steps. Exits 0, or 1 when no picture came.
#include "JXWidget/JXPixmapsButton.h"
#include "JXWidget/JXProgress.h"
#include "UI/VeltoDeviceVideoView.h"
#include "resources/JXResources.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>

namespace {
constexpr int kStepMs = 3000;

void say(const char *step)
{
    printf("%s\n", step);
    fflush(stdout);
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: %s URL\n", argv[0]);
        return 2;
    }
    JXResources::init();
    VeltoDeviceVideoView pane;
    pane.resize(640, 390);
    pane.show();
    pane.play(QString::fromUtf8(argv[1]));
    auto *spinner = pane.findChild<JXProgress *>("spinner");
    auto *sound = pane.findChild<JXPixmapsButton *>("soundButton");
    if (!QTest::qWaitFor([spinner] { return !spinner->isAnimated(); }, 15000))
        return 1;
    say("picture");
    QTest::qWait(kStepMs);
    QTest::mouseClick(sound, Qt::LeftButton);
    say(sound->state() == 1 ? "muted" : "not muted");
    QTest::qWait(kStepMs);
    QTest::mouseClick(sound, Qt::LeftButton);
    say(sound->state() == 0 ? "unmuted" : "not unmuted");
    QTest::qWait(kStepMs);
    pane.stop();
    return 0;
}
