#pragma once

#include <QList>

// Counts close() calls per descriptor in this test program, so that a test can show each
// protocol socket is closed exactly once. The counting close() wraps the C library's.
namespace CloseCounter {
void reset();
int closes(int fd);
// The descriptors of this process that are sockets.
QList<int> openSockets();
} // namespace CloseCounter
