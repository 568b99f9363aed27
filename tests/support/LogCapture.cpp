#include "support/LogCapture.h"

#include "JXUtils/JXLog.h"

#include <QThread>

#include <chrono>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace {
std::mutex linesLock;
std::vector<std::pair<QString, QString>> captured; // (bare file name, message); under linesLock

void handler(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    const char *file = context.file ? JXLog::bareFileName(context.file) : "";
    std::lock_guard<std::mutex> guard(linesLock);
    captured.emplace_back(QString::fromUtf8(file), message);
}

bool pollUntil(const std::function<bool()> &done, double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QThread::msleep(2);
    }
    return true;
}
} // namespace

LogCapture::LogCapture()
{
    clear();
    previous = qInstallMessageHandler(handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previous);
}

QStringList LogCapture::lines() const
{
    std::lock_guard<std::mutex> guard(linesLock);
    QStringList all;
    for (const auto &line : captured)
        all.append(line.first + QStringLiteral(": ") + line.second);
    return all;
}

int LogCapture::size() const
{
    std::lock_guard<std::mutex> guard(linesLock);
    return static_cast<int>(captured.size());
}

QStringList LogCapture::matching(const QString &prefix, int from) const
{
    const QStringList all = lines();
    QStringList found;
    for (int i = qMax(from, 0); i < all.size(); ++i) {
        if (all.at(i).startsWith(prefix))
            found.append(all.at(i));
    }
    return found;
}

bool LogCapture::waitFor(const QString &prefix, int milliseconds, int from) const
{
    return pollUntil([&] { return !matching(prefix, from).isEmpty(); }, milliseconds / 1000.0);
}

int LogCapture::count(const QString &file, const QString &text) const
{
    std::lock_guard<std::mutex> guard(linesLock);
    int n = 0;
    for (const auto &line : captured)
        n += line.first == file && line.second == text;
    return n;
}

QStringList LogCapture::startingWith(const QString &file, const QString &prefix) const
{
    std::lock_guard<std::mutex> guard(linesLock);
    QStringList found;
    for (const auto &line : captured) {
        if (line.first == file && line.second.startsWith(prefix))
            found << line.second;
    }
    return found;
}

bool LogCapture::waitFor(const QString &file, const QString &text, int n, double seconds) const
{
    return pollUntil([&] { return count(file, text) >= n; }, seconds);
}

void LogCapture::clear()
{
    std::lock_guard<std::mutex> guard(linesLock);
    captured.clear();
}
