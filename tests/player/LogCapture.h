#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects every debug line of the process for the life of the object, with the bare name
// of the source file that wrote it, so tests can check the exact log lines a stage writes.
// Lines do not reach standard error while a capture is active.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    // Lines from file (e.g. "JXPlayerReader.cpp") equal to text.
    int count(const QString &file, const QString &text) const;
    // Lines from file starting with prefix.
    QStringList startingWith(const QString &file, const QString &prefix) const;
    // Polls until count(file, text) >= n or seconds pass.
    bool waitFor(const QString &file, const QString &text, int n, double seconds) const;
    void clear();

private:
    QtMessageHandler previous;
};
