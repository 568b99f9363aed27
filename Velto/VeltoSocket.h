#pragma once

#include <QtGlobal>

// The datagram socket calls of the device protocol, one small function per call so that
// the protocol threads never see which platform runs them. Sockets are plain descriptors;
// kNone marks "no socket" (a valid descriptor can be 0 on POSIX).
class VeltoSocket
{
public:
    static constexpr int kNone = -1;

    // An IPv4 datagram socket, or kNone.
    static int create();
    // Binds the sending socket to the chosen local address; 0 on success.
    static int bindSend(int sock, const char *localAddress, quint16 port);
    // Binds the receiving socket so that group datagrams arriving on the chosen address
    // reach it, sharing the port with other programs that do the same (each gets its own
    // copy of every group datagram); 0 on success.
    static int bindReceive(int sock, const char *localAddress, quint16 port);
    // IP_ADD_MEMBERSHIP / IP_DROP_MEMBERSHIP of group on the interface holding
    // localAddress; 0 on success.
    static int joinGroup(int sock, const char *group, const char *localAddress);
    static int leaveGroup(int sock, const char *group, const char *localAddress);
    // SO_SNDTIMEO; 0 on success.
    static int setSendTimeout(int sock, int seconds, int microseconds);
    // SO_RCVTIMEO: receive() then fails with a transient error when nothing came; 0 on
    // success.
    static int setReceiveTimeout(int sock, int seconds, int microseconds);
    // Makes group datagrams leave through the interface holding localAddress, where the
    // platform does not derive that from the bound address; 0 on success.
    static int setMulticastInterface(int sock, const char *localAddress);
    // Asks for a receive buffer of bytes; returns the size the system granted.
    static int setReceiveBuffer(int sock, int bytes);
    // Limits group datagrams to the groups this socket joined on the interfaces it joined
    // them on, and has receive() report the interface each datagram arrived on; 0 on
    // success.
    static int receiveOnJoinedInterfaceOnly(int sock);

    // Returns the bytes sent, or 0 or less on failure (see lastError()).
    static int sendTo(int sock, const char *data, int size, const char *group, quint16 port);
    // Blocks for one datagram and copies at most capacity bytes of it into buffer. Returns
    // the datagram's full size, which exceeds capacity when it did not fit, or 0 or less on
    // failure or shutdown (see lastError()). interfaceIndex is set to the index of the
    // interface the datagram arrived on, or 0 when the system did not say.
    static int receive(int sock, char *buffer, int capacity, int &interfaceIndex);

    // The error of the last failed call on this thread; 0 when there was none.
    static int lastError();
    // Clears lastError(), so that a result of 0 after shutdown reads as "no error".
    static void clearError();
    // No error, try-again and would-block: the call may simply be repeated.
    static bool isTransient(int error);

    // Wakes a thread blocked in receive() on sock; the socket stays open.
    static void shutdown(int sock);
    static void close(int sock);
};
