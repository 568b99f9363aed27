#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <atomic>
#include <thread>

// A hostile crowd on the camera network: for each search it answers with floodCount
// replies of made-up cameras, each with its own MAC, spread evenly over floodMs, and,
// when hostile, first with datagrams no camera sends (lying lengths, text that is not
// JSON, deep nesting, a 10 KB MAC, control characters, invalid UTF-8). It sends from a
// socket of its own on a thread of its own, so the simulated cameras answer meanwhile.
class SimFlood
{
public:
    SimFlood(int floodCount, int floodMs, bool hostile, const QHostAddress &local);
    ~SimFlood();
    SimFlood(const SimFlood &) = delete;
    SimFlood &operator=(const SimFlood &) = delete;

    bool isActive() const { return floodCount > 0 || hostile; }
    // Answers the search request id from the program srcId; waits for the previous burst.
    void answer(int id, const QString &srcId);

private:
    void run(int id, QByteArray srcId);
    void sendHostile(int id, const QByteArray &srcId);
    void sendFlood(int id, const QByteArray &srcId);
    void send(const QByteArray &datagram);

    const int floodCount;
    const int floodMs;
    const bool hostile;
    int sock = -1;     // the sending socket; the burst thread only, after start
    std::thread burst; // joined before the next burst and on destruction
    std::atomic<bool> stopping{false};
};
