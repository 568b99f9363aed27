#pragma once

#include "JXUtils/JXThread.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <mutex>

class VeltoSDK;

// What the protocol's send and receive threads share: one datagram socket bound to the
// chosen address and joined to the device group, opened and closed by the thread body
// only, and a stop() that wakes a body blocked in that socket.
class VeltoSDKSocketThread : public JXThread
{
public:
    // Group of every request and reply.
    static const char kGroup[];
    // Pause between attempts to open a socket that failed.
    static constexpr int kReopenPauseMs = 1000;

    VeltoSDKSocketThread(VeltoSDK *sdk, quint16 port);

    // Sets the stop flag and shuts the socket down, so that a blocked receive returns at
    // once. The body closes the socket afterwards, once.
    void stop() override;
    // Until a stop is requested: opens the socket (retrying every kReopenPauseMs), serves
    // it, and closes it after a failure, or when the chosen network is no longer reachable
    // (looked at every kReopenPauseMs), so that the next pass reopens it.
    void run() override;

protected:
    // Creates, binds, joins and configures the socket; returns it, or -1 after logging why.
    int openSocket();
    // Leaves the group and closes the socket, if one is open.
    void closeSocket();
    int socket() const { return sock; }
    bool hasSocket() const;
    // Sleeps kReopenPauseMs, returning early when a stop is requested.
    void pauseBeforeReopen();
    const QByteArray &address() const { return localAddress; }
    // Reports why the socket failed, once per stretch of trouble; the stretch ends when a
    // socket opens again. Body thread only.
    void noteTrouble(const QByteArray &why);
    // While in trouble the routine lines of each reopening attempt are not logged.
    bool isTroubled() const { return troubled; }

    VeltoSDK *const sdk; // not owned; outlives the thread
    const quint16 port;  // set at construction

private:
    // One step of the thread's work on the open socket; false when the socket failed.
    virtual bool serve() = 0;
    // The platform's bind for this socket's role; the bind result.
    virtual int bindSocket(int fd) = 0;
    // Options beyond the common ones; 0 on success, else -1 after logging why.
    virtual int configureSocket(int fd) = 0;
    // Told on the body thread right after a socket is published and right after it closed.
    virtual void socketChanged(bool open) { Q_UNUSED(open) }
    // False when the chosen network is no longer reachable; asks the system at most once
    // every kReopenPauseMs.
    bool networkStillThere();
    int bind(int fd);
    int joinGroup(int fd);
    int setSendTimeout(int fd);

    // Guards sock between the body, which alone opens and closes it (and so may read it
    // without the lock), and stop().
    std::mutex socketLock;
    int sock;                // VeltoSocket::kNone when no socket is open; socketLock
    QByteArray localAddress; // text of the chosen address; body thread only
    bool troubled = false;   // between a failure and the next socket opened; body thread only
    QElapsedTimer lastLook;  // when networkStillThere() last asked the system; body thread only
};
