#pragma once

#include <QString>
#include <QStringList>

// Collects the program's log lines ("<bare source file>: <message>") while it exists.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();

    QStringList lines() const;
    // Lines from index from on that start with prefix.
    QStringList matching(const QString &prefix, int from = 0) const;
    int size() const;
    // Waits up to milliseconds for a line from index from on starting with prefix.
    bool waitFor(const QString &prefix, int milliseconds, int from = 0) const;
};
