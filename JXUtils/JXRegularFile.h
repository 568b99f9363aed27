#pragma once

#include <QByteArray>
#include <QString>

// Guards for the files the program reads at start-up from a folder anyone may have
// prepared (language and configuration files): only regular files of a bounded size are
// read, and never by a call that can block (a FIFO) or run on without end (a device).
class JXRegularFile
{
public:
    enum Kind
    {
        Absent,     // nothing there, not even a dangling link: may be created
        Regular,    // a regular file (links followed) of at most the size asked
        TooLarge,   // a regular file above that size
        NotRegular, // a FIFO, device, socket, directory, or a link to one or to nothing
    };

    // What path is, links followed.
    static Kind check(const QString &path, qint64 maxBytes);
    // The whole of path into out when it is a regular file of at most maxBytes; false
    // (out empty) otherwise. The file is opened without blocking.
    static bool read(const QString &path, qint64 maxBytes, QByteArray &out);
};
