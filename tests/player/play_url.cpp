// Plays a URL through the player as the program builds it (default render, real PCM
// output on the default audio device, no video view) for a number of seconds.
//   player_play_url URL SECONDS VOLUME
// Prints the player events; exits 0 when a first frame was shown and the PCM output
// opened, 1 otherwise.
#include "JXPlayer/JXPlayer.h"
#include "JXPlayer/JXPlayerObserver.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <cstdio>

namespace {
std::atomic<bool> pcmFailed{false};

void handler(QtMsgType, const QMessageLogContext &, const QString &message)
{
    if (message == "JXPcmPlayer start 1")
        pcmFailed = true;
    fprintf(stderr, "%s\n", qPrintable(message));
}

class Printer : public JXPlayerObserver
{
public:
    void onPlayerEvent(JXPlayer *, int event, double value1, double value2) override
    {
        if (event == kFirstFrame)
            shown = true;
        if (event != kFrame)
            printf("event %d %.3f %.3f\n", event, value1, value2);
        fflush(stdout);
    }
    std::atomic<bool> shown{false};
};
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        fprintf(stderr, "usage: %s URL SECONDS VOLUME\n", argv[0]);
        return 2;
    }
    qInstallMessageHandler(handler);
    Printer printer;
    JXPlayer player;
    player.setObserver(&printer);
    player.setRealtime(true);
    player.setVolume(QByteArray(argv[3]).toDouble());
    player.open(QByteArray(argv[1]));
    QThread::msleep(static_cast<unsigned long>(QByteArray(argv[2]).toDouble() * 1000));
    player.close();
    return printer.shown && !pcmFailed ? 0 : 1;
}
