#include "LogCapture.h"

#include <QThread>

#include <chrono>
#include <mutex>
#include <utility>
#include <vector>

namespace {
std::mutex linesLock;
std::vector<std::pair<QString, QString>> lines; // (bare file name, message); under linesLock

QString bareName(const char *path)
{
    const QString full = QString::fromUtf8(path ? path : "");
    const int cut = qMax(full.lastIndexOf('/'), full.lastIndexOf('\\'));
    return full.mid(cut + 1);
}

void handler(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    std::lock_guard<std::mutex> guard(linesLock);
    lines.emplace_back(bareName(context.file), message);
}
} // namespace

LogCapture::LogCapture() : previous(qInstallMessageHandler(handler))
{
    clear();
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previous);
}

int LogCapture::count(const QString &file, const QString &text) const
{
    std::lock_guard<std::mutex> guard(linesLock);
    int n = 0;
    for (const auto &line : lines)
        n += line.first == file && line.second == text;
    return n;
}

QStringList LogCapture::startingWith(const QString &file, const QString &prefix) const
{
    std::lock_guard<std::mutex> guard(linesLock);
    QStringList found;
    for (const auto &line : lines) {
        if (line.first == file && line.second.startsWith(prefix))
            found << line.second;
    }
    return found;
}

bool LogCapture::waitFor(const QString &file, const QString &text, int n, double seconds) const
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (count(file, text) < n) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QThread::msleep(2);
    }
    return true;
}

void LogCapture::clear()
{
    std::lock_guard<std::mutex> guard(linesLock);
    lines.clear();
}
