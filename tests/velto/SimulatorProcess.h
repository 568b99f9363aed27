#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QStringList>

// velto-sim running in the peer network namespace (NETNS_B, interface NETNS_IF_B) for the
// life of the object, with its event lines collected.
class SimulatorProcess
{
public:
    explicit SimulatorProcess(const QStringList &arguments);
    ~SimulatorProcess();

    // True once the simulator reported itself ready.
    bool isReady() const { return ready; }
    // Every event of that kind printed so far.
    QList<QJsonObject> events(const char *kind);
    // Waits up to milliseconds for the count-th event of that kind; the event or empty.
    QJsonObject waitForEvent(const char *kind, int milliseconds, int count = 1);
    void stop();

private:
    void collect(int milliseconds);

    QProcess process;
    QByteArray pending;
    QList<QJsonObject> received;
    bool ready = false;
};
