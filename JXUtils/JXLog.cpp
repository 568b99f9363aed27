#include "JXUtils/JXLog.h"

#include "JXUtils/JXAppPaths.h"

#include <QDir>
#include <QFile>
#include <QTextCodec>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace {
const int kRetentionDays = 30;
const size_t kPrefixBufferSize = 4096;
const char kFileStampFormat[] = "yyyyMMddHHmmss";
} // namespace

std::atomic<JXLog *> JXLog::instance{nullptr};

JXLog::~JXLog() = default;

const char *JXLog::bareFileName(const char *path)
{
    if (!path)
        return nullptr;
    const char *name = path;
    for (const char *p = path; *p; ++p) {
        if (*p == '/' || *p == '\\')
            name = p + 1;
    }
    return name;
}

int JXLog::formatPrefix(char *buffer, size_t size, const QDateTime &time, const char *file,
                        int line)
{
    const QDate date = time.date();
    const QTime clock = time.time();
    const char *name = bareFileName(file);
    const int n =
        std::snprintf(buffer, size, "[%d-%02d-%02d %02d:%02d:%02d.%03d]  %s:%d  ", date.year(),
                      date.month(), date.day(), clock.hour(), clock.minute(), clock.second(),
                      clock.msec(), name ? name : "(null)", file ? line : 0);
    if (n <= 0)
        return 0;
    return n < static_cast<int>(size) ? n : static_cast<int>(size) - 1;
}

void JXLog::removeExpired(const QString &dir, const QDate &today)
{
    const QStringList names = QDir(dir).entryList({QStringLiteral("*.clog")}, QDir::Files);
    for (const QString &name : names) {
        const QString stamp = name.left(name.lastIndexOf(QLatin1Char('.')));
        const QDateTime when = QDateTime::fromString(stamp, QLatin1String(kFileStampFormat));
        if (when.isValid() && when.date().daysTo(today) > kRetentionDays)
            QFile::remove(dir + QLatin1Char('/') + name);
    }
}

void JXLog::open()
{
    const QString dir = JXAppPaths::dataDir() + QStringLiteral("/log");
    QDir().mkpath(dir);
    removeExpired(dir, QDate::currentDate());

    JXLog *log = new JXLog;
    log->mutex = new std::mutex;
    const QString stamp = QDateTime::currentDateTime().toString(QLatin1String(kFileStampFormat));
    log->file = new QFile(dir + QLatin1Char('/') + stamp + QStringLiteral(".clog"));
    if (log->file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        log->stream = new QTextStream(log->file);
        log->stream->setCodec(QTextCodec::codecForLocale());
    } else {
        delete log->file;
        log->file = nullptr;
    }
    instance.store(log);
    log->previous = qInstallMessageHandler(messageHandler);
}

void JXLog::close()
{
    JXLog *log = instance.load();
    if (!log)
        return;
    // Put the previous handler back first, so a message logged after this point never
    // reaches the instance being freed.
    qInstallMessageHandler(log->previous);
    instance.store(nullptr);
    if (log->stream) {
        log->stream->flush();
        delete log->stream;
    }
    if (log->file) {
        log->file->close();
        delete log->file;
    }
    delete log->mutex;
    delete log;
}

QString JXLog::currentFilePath()
{
    JXLog *log = instance.load();
    return (log && log->file) ? log->file->fileName() : QString();
}

void JXLog::write(const char *prefix, const QString &message)
{
    std::lock_guard<std::mutex> lock(*mutex);
    if (!stream)
        return;
    *stream << prefix << message << '\n';
    stream->flush();
}

void JXLog::messageHandler(QtMsgType type, const QMessageLogContext &context,
                           const QString &message)
{
    JXLog *log = instance.load();
    if (!log)
        return;
    if (log->previous)
        log->previous(type, context, message);

    char prefix[kPrefixBufferSize];
    if (formatPrefix(prefix, sizeof prefix, QDateTime::currentDateTime(), context.file,
                     context.line) == 0)
        return;
    log->write(prefix, message);
}
