#include "SimulatorProcess.h"

#include "support/TestPaths.h"

#include <QElapsedTimer>
#include <QJsonDocument>

SimulatorProcess::SimulatorProcess(const QStringList &arguments)
{
    QStringList command = {QStringLiteral("netns"),         QStringLiteral("exec"),
                           qEnvironmentVariable("NETNS_B"), testBinDir() + "/velto-sim",
                           QStringLiteral("--interface"),   qEnvironmentVariable("NETNS_IF_B")};
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("ip"), command + arguments);
    ready = !waitForEvent("ready", 10000).isEmpty();
}

SimulatorProcess::~SimulatorProcess()
{
    stop();
}

void SimulatorProcess::stop()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill(); // `ip netns exec` runs the simulator in its own process
    process.waitForFinished(5000);
}

void SimulatorProcess::collect(int milliseconds)
{
    if (process.bytesAvailable() == 0)
        process.waitForReadyRead(milliseconds);
    pending += process.readAllStandardOutput();
    int end = pending.indexOf('\n');
    while (end >= 0) {
        received.append(QJsonDocument::fromJson(pending.left(end)).object());
        pending.remove(0, end + 1);
        end = pending.indexOf('\n');
    }
}

QList<QJsonObject> SimulatorProcess::events(const char *kind)
{
    collect(0);
    QList<QJsonObject> matching;
    for (const QJsonObject &event : qAsConst(received)) {
        if (event.value(QStringLiteral("event")) == QLatin1String(kind))
            matching.append(event);
    }
    return matching;
}

QJsonObject SimulatorProcess::waitForEvent(const char *kind, int milliseconds, int count)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        const QList<QJsonObject> found = events(kind);
        if (found.size() >= count)
            return found.at(count - 1);
        const qint64 left = milliseconds - timer.elapsed();
        if (left <= 0 || process.state() == QProcess::NotRunning)
            return QJsonObject();
        collect(static_cast<int>(qMin<qint64>(left, 50)));
    }
}
