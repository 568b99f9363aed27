#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QString>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// The production run's record of labels: "log/labels.csv" beside the daily logs, one line
// per label the program tried to send, appended and flushed at once so that a crash loses
// no finished label. The file is never rotated nor truncated. The codes printed
// successfully are indexed in memory when the log opens, so asking whether a code was
// printed before costs one hash look-up, not a pass over the file.
// Not thread-safe: one owner, on one thread. Several processes may append to the same
// file (each line is one append write), but a log sees only the lines of other processes
// that were there when it opened.
class OmbrixLabelLog
{
public:
    // One label as written: time, code, model, serial number, printer queue, dot pitch and
    // result ("printed", "reprinted" when printed again on purpose, or "failed: why",
    // "refused: why", "skipped: why").
    struct Entry
    {
        QDateTime time;
        QString code;
        QString model;
        QString serial;
        QString printer;
        double pitch = 0;
        QString result;
    };

    static const char kHeader[];
    static const char kPrinted[];
    static const char kReprinted[];
    // The last field of every line written since fields are escaped (see formatLine);
    // lines of seven fields were written before and read back as they always did.
    static const char kEscapedFormat[];

    // <data directory>/log/labels.csv
    static QString defaultPath();

    explicit OmbrixLabelLog(const QString &path = defaultPath());
    ~OmbrixLabelLog();
    OmbrixLabelLog(const OmbrixLabelLog &) = delete;
    OmbrixLabelLog &operator=(const OmbrixLabelLog &) = delete;

    // Creates the folder and the file (with its header line) when missing and indexes the
    // printed codes. False when the file cannot be opened for appending.
    bool open();
    bool isOpen() const;
    QString path() const;

    // Appends one line and flushes it to the system. False when it could not be written.
    bool append(const Entry &entry);

    // The last successful print (or reprint) of code, if any.
    bool findPrinted(const QString &code, Entry *found) const;
    // Number of printed codes indexed (lines, not distinct codes).
    size_t printedCount() const;

    // One CSV line (without the line feed) and back; every field reads back exactly as it
    // was. A field is data to a spreadsheet too: one that begins with "=", "+", "-", "@",
    // a tab, a CR or an apostrophe gets a leading apostrophe. A backslash is written as
    // "\\" and a control character, which only a refused scan can hold, as "\xHH", so
    // that every label stays on one line. The line ends with kEscapedFormat.
    static QByteArray formatLine(const Entry &entry);
    static bool parseLine(const QByteArray &line, Entry *entry);
    static bool isPrintedResult(const QString &result);

private:
    void index(const char *begin, const char *end);
    bool readLineAt(qint64 offset, QByteArray *line) const;

    QString filePath;
    QFile appender;                                  // opened for appending by open()
    std::unique_ptr<QFile> reader;                   // owned; reads back lines the index points at
    std::vector<std::pair<uint64_t, qint64>> loaded; // (code hash, line offset), sorted
    QHash<QString, Entry> lastAdded;                 // printed since open(), latest per code
    size_t addedCount = 0;                           // printed lines appended since open()
};
