// Plays a URL in the preview pane and works its sound button as an operator would, for
// mute_test.py, which records the default PulseAudio sink meanwhile.
//   video_mute_steps URL
// Prints "picture" once the picture shows; then each line read from standard input makes
// the next step: a click that mutes ("muted"), a click that unmutes ("unmuted"), the end.
// Exits 0, or 1 when no picture came or standard input closed early.
#include "JXWidget/JXPixmapsButton.h"
#include "JXWidget/JXProgress.h"
#include "UI/VeltoDeviceVideoView.h"
#include "resources/JXResources.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <atomic>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

namespace {
constexpr int kStepTimeoutMs = 60000;

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
    // Standard input is read on a thread of its own so that the event loop keeps running.
    std::atomic<int> lines{0};
    std::atomic<bool> closed{false};
    std::thread reader([&lines, &closed] {
        std::string line;
        while (std::getline(std::cin, line))
            ++lines;
        closed = true;
    });
    auto nextStep = [&lines, &closed](int n) {
        return QTest::qWaitFor([&] { return lines >= n || closed; }, kStepTimeoutMs) && lines >= n;
    };
    say("picture");
    bool ok = nextStep(1);
    if (ok) {
        QTest::mouseClick(sound, Qt::LeftButton);
        say(sound->state() == 1 ? "muted" : "not muted");
        ok = nextStep(2);
    }
    if (ok) {
        QTest::mouseClick(sound, Qt::LeftButton);
        say(sound->state() == 0 ? "unmuted" : "not unmuted");
        ok = nextStep(3);
    }
    pane.stop();
    // The caller closes standard input when it is done, which ends the reader.
    reader.detach();
    return ok ? 0 : 1;
}
