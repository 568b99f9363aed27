#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <cstddef>
#include <mutex>

class QFile;
class QTextStream;

// Writes every toolkit debug message to <data directory>/log/<yyyyMMddHHmmss>.clog, one file
// per run, each line prefixed with the local time and the bare source file name and line.
// Files older than 30 days are removed when the log opens.
class JXLog
{
public:
    // Opens the log and installs the message handler. Called once, on the GUI thread,
    // before any other thread logs.
    static void open();
    // Flushes and closes the file, puts the previous handler back and frees the instance.
    // Called once after every worker thread has been joined.
    static void close();

    static void messageHandler(QtMsgType type, const QMessageLogContext &context,
                               const QString &message);

    // Deletes "*.clog" files in dir whose name dates them more than 30 days before today.
    static void removeExpired(const QString &dir, const QDate &today);
    // Formats the line prefix into buffer (size bytes); returns the number of characters
    // written, 0 when nothing could be formatted.
    static int formatPrefix(char *buffer, size_t size, const QDateTime &time, const char *file,
                            int line);
    // The file name without any directory, for both '/' and '\' separators.
    static const char *bareFileName(const char *path);
    // Path of the file the current run writes, empty when logging has no file.
    static QString currentFilePath();

    virtual ~JXLog();

private:
    JXLog() = default;
    void write(const char *prefix, const QString &message);

    // Made by open() and freed by close() on the GUI thread while no worker logs; in
    // between, file and stream are used under mutex only.
    QFile *file = nullptr;               // owned; null when it could not be opened
    QTextStream *stream = nullptr;       // owned; written under mutex only
    std::mutex *mutex = nullptr;         // owned; serialises whole lines
    QtMessageHandler previous = nullptr; // set by open(); called by every logging thread

    static std::atomic<JXLog *> instance; // set by open(), cleared by close()
};
