#include "app/OmbrixLabelLog.h"

#include "JXUtils/JXAppPaths.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

const char OmbrixLabelLog::kHeader[] = "time,code,model,serial,printer,dot_pitch,result,format";
const char OmbrixLabelLog::kPrinted[] = "printed";
const char OmbrixLabelLog::kReprinted[] = "reprinted";
const char OmbrixLabelLog::kEscapedFormat[] = "2";

namespace {
// Lines written before fields were escaped have no format field.
const int kUnescapedFieldCount = 7;
const int kFieldCount = 8;
const int kCodeField = 1;
const int kResultField = 6;
const int kFormatField = 7;
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

// A spreadsheet takes a cell that begins with one of these for a formula; the apostrophe
// itself is in the list so that a field that begins with one reads back unchanged.
bool needsApostrophe(const QString &text)
{
    static const QString kLeads = QStringLiteral("=+-@\t\r'");
    return !text.isEmpty() && kLeads.contains(text.at(0));
}

QByteArray escapeField(const QString &text)
{
    QByteArray bytes;
    const QByteArray utf8 = needsApostrophe(text) ? '\'' + text.toUtf8() : text.toUtf8();
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
        if (c == '\\')
            bytes += '\\';
        if (c == '"' || c == ',')
            quote = true;
        if (c == '"')
            bytes += '"';
        bytes += c;
    }
    return quote ? '"' + bytes + '"' : bytes;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// escapeField() undone, CSV quotes already removed. A backslash that starts no escape is
// kept as it is: the file is outside input.
QString unescapeField(const QByteArray &field)
{
    QByteArray bytes;
    bytes.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 1 < field.size() && field[i + 1] == '\\') {
            bytes += '\\';
            ++i;
        } else if (c == '\\' && i + 3 < field.size() && field[i + 1] == 'x' &&
                   hexDigit(field[i + 2]) >= 0 && hexDigit(field[i + 3]) >= 0) {
            bytes += char(hexDigit(field[i + 2]) * 16 + hexDigit(field[i + 3]));
            i += 3;
        } else {
            bytes += c;
        }
    }
    if (bytes.startsWith('\''))
        bytes.remove(0, 1);
    return QString::fromUtf8(bytes);
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
// Splits a line of the record into fields (quotes undone) and tells whether they are
// escaped. False when the line is not one of the record's.
bool splitLine(const char *begin, const char *end, QByteArray *fields, bool *escaped)
{
    const int count = splitFields(begin, end, fields, kFieldCount + 1);
    *escaped = count == kFieldCount && fields[kFormatField] == OmbrixLabelLog::kEscapedFormat;
    return count == kUnescapedFieldCount || *escaped;
}

QString fieldText(const QByteArray &field, bool escaped)
{
    return escaped ? unescapeField(field) : QString::fromUtf8(field);
}

bool endsWithField(std::string_view line, std::string_view field)
{
    return line.size() > field.size() && line.substr(line.size() - field.size()) == field &&
           line[line.size() - field.size() - 1] == ',';
}

// The cheap look at a line's end that spares splitting lines that record no print.
bool mayBePrinted(std::string_view line)
{
    if (endsWithField(line, OmbrixLabelLog::kEscapedFormat))
        line.remove_suffix(std::strlen(OmbrixLabelLog::kEscapedFormat) + 1);
    return endsWithField(line, OmbrixLabelLog::kPrinted) ||
           endsWithField(line, OmbrixLabelLog::kReprinted);
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
    QByteArray fields[kFieldCount + 1];
    for (const char *line = begin; line < end;) {
        const char *newline =
            static_cast<const char *>(std::memchr(line, '\n', size_t(end - line)));
        if (!newline)
            break; // an unfinished line is not a finished label
        const char *stop = newline;
        if (stop > line && stop[-1] == '\r')
            --stop;
        bool escaped = false;
        // The two printed results need no escapes: their bytes are compared as they stand.
        if (mayBePrinted(std::string_view(line, size_t(stop - line))) &&
            stop - line <= kMaxLineLength && splitLine(line, stop, fields, &escaped) &&
            (fields[kResultField] == kPrinted || fields[kResultField] == kReprinted)) {
            const QByteArray &raw = fields[kCodeField];
            const bool plain = !escaped || (!raw.contains('\\') && !raw.startsWith('\''));
            const QByteArray code = plain ? raw : unescapeField(raw).toUtf8();
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
    if (isPrintedResult(entry.result)) {
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
            isPrintedResult(entry.result)) {
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

bool OmbrixLabelLog::isPrintedResult(const QString &result)
{
    return result == QLatin1String(kPrinted) || result == QLatin1String(kReprinted);
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
    line += ',';
    line += kEscapedFormat;
    return line;
}

bool OmbrixLabelLog::parseLine(const QByteArray &line, Entry *entry)
{
    QByteArray fields[kFieldCount + 1];
    bool escaped = false;
    if (!splitLine(line.constData(), line.constData() + line.size(), fields, &escaped))
        return false;
    entry->time = QDateTime::fromString(QString::fromLatin1(fields[0]), QLatin1String(kTimeFormat));
    entry->code = fieldText(fields[1], escaped);
    entry->model = fieldText(fields[2], escaped);
    entry->serial = fieldText(fields[3], escaped);
    entry->printer = fieldText(fields[4], escaped);
    entry->pitch = fields[5].toDouble();
    entry->result = fieldText(fields[kResultField], escaped);
    return true;
}
