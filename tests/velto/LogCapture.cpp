#include "LogCapture.h"

#include "JXUtils/JXLog.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>

namespace {
QMutex mutex;
QStringList captured;
QtMessageHandler previous = nullptr;

void capture(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    const char *file = context.file ? JXLog::bareFileName(context.file) : "";
    QMutexLocker locker(&mutex);
    captured.append(QString::fromUtf8(file) + QStringLiteral(": ") + message);
}
} // namespace

LogCapture::LogCapture()
{
    QMutexLocker locker(&mutex);
    captured.clear();
    previous = qInstallMessageHandler(capture);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previous);
}

QStringList LogCapture::lines() const
{
    QMutexLocker locker(&mutex);
    return captured;
}

int LogCapture::size() const
{
    QMutexLocker locker(&mutex);
    return captured.size();
}

QStringList LogCapture::matching(const QString &prefix, int from) const
{
    const QStringList all = lines();
    QStringList found;
    for (int i = from; i < all.size(); ++i) {
        if (all.at(i).startsWith(prefix))
            found.append(all.at(i));
    }
    return found;
}

bool LogCapture::waitFor(const QString &prefix, int milliseconds, int from) const
{
    QElapsedTimer timer;
    timer.start();
    while (matching(prefix, from).isEmpty()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QThread::msleep(5);
    }
    return true;
}
