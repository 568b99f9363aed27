#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects every debug line of the process for the life of the object, with the bare name
// of the source file that wrote it, so tests can check the exact log lines a stage writes.
// Lines do not reach standard error while a capture is active. One capture at a time.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    // Every line so far as "<bare source file>: <message>".
    QStringList lines() const;
    int size() const;
    // Lines from index from on that start with prefix ("VeltoSDK.cpp: send").
    QStringList matching(const QString &prefix, int from = 0) const;
    // Polls up to milliseconds for a line from index from on starting with prefix.
    bool waitFor(const QString &prefix, int milliseconds, int from = 0) const;

    // Lines from file (e.g. "JXPlayerReader.cpp") equal to text.
    int count(const QString &file, const QString &text) const;
    // Messages from file starting with prefix.
    QStringList startingWith(const QString &file, const QString &prefix) const;
    // Polls until count(file, text) >= n or seconds pass.
    bool waitFor(const QString &file, const QString &text, int n, double seconds) const;
    void clear();

private:
    QtMessageHandler previous;
};
