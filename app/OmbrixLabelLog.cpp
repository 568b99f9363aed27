#include "app/OmbrixLabelLog.h"

#include "JXUtils/JXAppPaths.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <cstring>

const char OmbrixLabelLog::kHeader[] = "time,code,model,serial,printer,dot_pitch,result";
const char OmbrixLabelLog::kPrinted[] = "printed";

namespace {
const int kFieldCount = 7;
const int kCodeField = 1;
const int kResultField = 6;
const char kTimeFormat[] = "yyyy-MM-dd HH:mm:ss.zzz";
// A line longer than this is not one the program wrote; it is skipped, not indexed.
const int kMaxLineLength = 64 * 1024;

uint64_t codeHash(const char *data, size_t size)
{
    // FNV-1a: the index keeps only the hash and confirms a hit against the file.
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < size; ++i) {
        hash ^= static_cast<unsigned char>(data[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

QByteArray escapeField(const QString &text)
{
    QByteArray bytes;
    const QByteArray utf8 = text.toUtf8();
    bytes.reserve(utf8.size());
    bool quote = false;
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            bytes += hex;
            continue;
        }
        if (c == '"' || c == ',')
            quote = true;
        if (c == '"')
            bytes += '"';
        bytes += c;
    }
    return quote ? '"' + bytes + '"' : bytes;
}

// Splits one CSV line into at most max fields (quotes undone). Returns the field count,
// or -1 when a quote is left open.
int splitFields(const char *begin, const char *end, QByteArray *fields, int max)
{
    int count = 0;
    const char *p = begin;
    while (count < max) {
        QByteArray &field = fields[count++];
        field.clear();
        if (p < end && *p == '"') {
            ++p;
            for (;;) {
                if (p >= end)
                    return -1;
                if (*p == '"') {
                    if (p + 1 < end && p[1] == '"') {
                        field += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                field += *p++;
            }
        } else {
            const char *comma = static_cast<const char *>(std::memchr(p, ',', size_t(end - p)));
            const char *stop = comma ? comma : end;
            field = QByteArray(p, int(stop - p));
            p = stop;
        }
        if (p >= end)
            return count;
        if (*p != ',')
            return -1;
        ++p;
    }
    return count;
}
} // namespace

QString OmbrixLabelLog::defaultPath()
{
    return JXAppPaths::dataDir() + QStringLiteral("/log/labels.csv");
}

OmbrixLabelLog::OmbrixLabelLog(const QString &path) : filePath(path)
{}

OmbrixLabelLog::~OmbrixLabelLog() = default;

QString OmbrixLabelLog::path() const
{
    return filePath;
}

bool OmbrixLabelLog::isOpen() const
{
    return appender.isOpen();
}

bool OmbrixLabelLog::open()
{
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    appender.setFileName(filePath);
    if (!appender.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    reader = std::make_unique<QFile>(filePath);
    if (!reader->open(QIODevice::ReadOnly)) {
        appender.close();
        return false;
    }
    const qint64 size = reader->size();
    if (size == 0) {
        appender.write(QByteArray(kHeader) + '\n');
    } else {
        uchar *data = reader->map(0, size);
        if (data) {
            const auto *bytes = reinterpret_cast<const char *>(data);
            index(bytes, bytes + size);
            reader->unmap(data);
        }
        // A crash in the middle of a line leaves it without its end: the next label
        // starts on a line of its own.
        char last = 0;
        if (reader->seek(size - 1) && reader->getChar(&last) && last != '\n')
            appender.write("\n");
    }
    appender.flush();
    return true;
}

void OmbrixLabelLog::index(const char *begin, const char *end)
{
    loaded.clear();
    QByteArray fields[kFieldCount];
    const size_t printedSize = std::strlen(kPrinted);
    for (const char *line = begin; line < end;) {
        const char *newline =
            static_cast<const char *>(std::memchr(line, '\n', size_t(end - line)));
        if (!newline)
            break; // an unfinished line is not a finished label
        const char *stop = newline;
        if (stop > line && stop[-1] == '\r')
            --stop;
        // The result is the last field: check it before splitting the line.
        const bool printed = stop - line >= qint64(printedSize) + 1 &&
                             std::memcmp(stop - printedSize, kPrinted, printedSize) == 0 &&
                             stop[-qint64(printedSize) - 1] == ',';
        if (printed && stop - line <= kMaxLineLength &&
            splitFields(line, stop, fields, kFieldCount) == kFieldCount &&
            fields[kResultField] == kPrinted) {
            const QByteArray &code = fields[kCodeField];
            loaded.emplace_back(codeHash(code.constData(), size_t(code.size())), line - begin);
        }
        line = newline + 1;
    }
    std::sort(loaded.begin(), loaded.end());
}

bool OmbrixLabelLog::readLineAt(qint64 offset, QByteArray *line) const
{
    if (!reader || !reader->seek(offset))
        return false;
    *line = reader->readLine(kMaxLineLength);
    while (line->endsWith('\n') || line->endsWith('\r'))
        line->chop(1);
    return true;
}

bool OmbrixLabelLog::append(const Entry &entry)
{
    if (!appender.isOpen())
        return false;
    const QByteArray line = formatLine(entry) + '\n';
    // One write per line keeps lines of several writers whole.
    const qint64 written = appender.write(line);
    const bool flushed = appender.flush();
    if (written != line.size() || !flushed)
        return false;
    if (entry.result == QLatin1String(kPrinted)) {
        // Kept by value: another writer may have appended between our lines, so this
        // line's offset is not known.
        lastAdded[entry.code] = entry;
        ++addedCount;
    }
    return true;
}

bool OmbrixLabelLog::findPrinted(const QString &code, Entry *found) const
{
    const auto session = lastAdded.constFind(code);
    if (session != lastAdded.constEnd()) {
        if (found)
            *found = session.value();
        return true;
    }
    const QByteArray bytes = code.toUtf8();
    const uint64_t hash = codeHash(bytes.constData(), size_t(bytes.size()));
    auto range =
        std::equal_range(loaded.begin(), loaded.end(), std::make_pair(hash, qint64(-1)),
                         [](const std::pair<uint64_t, qint64> &a,
                            const std::pair<uint64_t, qint64> &b) { return a.first < b.first; });
    // Latest line first: the operator is shown the most recent print.
    for (auto it = range.second; it != range.first;) {
        --it;
        QByteArray line;
        Entry entry;
        if (readLineAt(it->second, &line) && parseLine(line, &entry) && entry.code == code &&
            entry.result == QLatin1String(kPrinted)) {
            if (found)
                *found = entry;
            return true;
        }
    }
    return false;
}

size_t OmbrixLabelLog::printedCount() const
{
    return loaded.size() + addedCount;
}

QByteArray OmbrixLabelLog::formatLine(const Entry &entry)
{
    QByteArray line = entry.time.toString(QLatin1String(kTimeFormat)).toLatin1();
    for (const QString *text : {&entry.code, &entry.model, &entry.serial, &entry.printer}) {
        line += ',';
        line += escapeField(*text);
    }
    line += ',';
    line += entry.pitch > 0 ? QByteArray::number(entry.pitch, 'g', 6) : QByteArray();
    line += ',';
    line += escapeField(entry.result);
    return line;
}

bool OmbrixLabelLog::parseLine(const QByteArray &line, Entry *entry)
{
    QByteArray fields[kFieldCount + 1];
    if (splitFields(line.constData(), line.constData() + line.size(), fields, kFieldCount + 1) !=
        kFieldCount)
        return false;
    entry->time = QDateTime::fromString(QString::fromLatin1(fields[0]), QLatin1String(kTimeFormat));
    entry->code = QString::fromUtf8(fields[1]);
    entry->model = QString::fromUtf8(fields[2]);
    entry->serial = QString::fromUtf8(fields[3]);
    entry->printer = QString::fromUtf8(fields[4]);
    entry->pitch = fields[5].toDouble();
    entry->result = QString::fromUtf8(fields[6]);
    return true;
}
