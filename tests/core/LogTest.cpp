#include "JXUtils/JXLog.h"
#include "support/TestPaths.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace {
std::atomic<int> quietCalls{0};

// Stands in for the toolkit's default handler so the tests do not flood stderr, and
// counts how often the log passes messages on.
void quietHandler(QtMsgType, const QMessageLogContext &, const QString &)
{
    quietCalls.fetch_add(1);
}

void touch(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
}

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLocal8Bit(file.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

std::string prefix(const QDateTime &time, const char *file, int line)
{
    char buffer[4096];
    const int n = JXLog::formatPrefix(buffer, sizeof buffer, time, file, line);
    return std::string(buffer, n);
}

class LogFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        quietCalls = 0;
        qInstallMessageHandler(quietHandler);
    }
    void TearDown() override
    {
        JXLog::close();
        qInstallMessageHandler(nullptr);
    }
    ScopedAppDir appDir;
};
} // namespace

TEST(LogFormat, PrefixCarriesLocalTimeBareFileAndLine)
{
    const QDateTime december(QDate(2024, 12, 5), QTime(7, 8, 9, 45));
    EXPECT_EQ(prefix(december, "/src/lankit/Velto/VeltoSDK.cpp", 42),
              "[2024-12-05 07:08:09.045]  VeltoSDK.cpp:42  ");
    EXPECT_EQ(prefix(december, "C:\\work\\lankit\\app\\main.cpp", 7),
              "[2024-12-05 07:08:09.045]  main.cpp:7  ");
    EXPECT_EQ(prefix(QDateTime(QDate(2025, 1, 31), QTime(23, 59, 59, 999)), "mixed/dir\\x.cpp", 1),
              "[2025-01-31 23:59:59.999]  x.cpp:1  ");
    EXPECT_EQ(prefix(december, nullptr, 99), "[2024-12-05 07:08:09.045]  (null):0  ");
}

TEST(LogFormat, PrefixIsCutToTheBufferNotOverrun)
{
    std::string longName(5000, 'a');
    char buffer[4096];
    const int n = JXLog::formatPrefix(buffer, sizeof buffer, QDateTime::currentDateTime(),
                                      longName.c_str(), 1);
    EXPECT_EQ(n, 4095);
    EXPECT_EQ(buffer[4095], '\0');
}

TEST(LogRetention, DeletesOnlyFilesMoreThanThirtyDaysOld)
{
    QTemporaryDir dir;
    for (const char *name : {"20240430101010.clog", "20240501000000.clog", "notes.clog",
                             "20240331235959.clog", "20240430101010.txt", "2024.clog"})
        touch(dir.filePath(name));

    JXLog::removeExpired(dir.path(), QDate(2024, 5, 31));

    QStringList left = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(left, QStringList(
                        {"2024.clog", "20240430101010.txt", "20240501000000.clog", "notes.clog"}));
}

TEST_F(LogFile, OpenWritesOneFilePerRunWithPrefixedFlushedLines)
{
    JXLog::open();
    const QString path = JXLog::currentFilePath();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(path.startsWith(appDir.path() + "/log/"));
    EXPECT_TRUE(QRegularExpression("/\\d{14}\\.clog$").match(path).hasMatch())
        << path.toStdString();

    qDebug("install %s language", "cn");
    // Flushed at once: readable before the log is closed.
    const QStringList lines = readLines(path);
    ASSERT_EQ(lines.size(), 1);
    const QRegularExpression line(
        "^\\[\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3}\\]  LogTest\\.cpp:\\d+  "
        "install cn language$");
    EXPECT_TRUE(line.match(lines[0]).hasMatch()) << lines[0].toStdString();
    EXPECT_EQ(quietCalls.load(), 1);
}

TEST_F(LogFile, CloseRestoresThePreviousHandler)
{
    JXLog::open();
    const QString path = JXLog::currentFilePath();
    qDebug("before close");
    JXLog::close();
    qDebug("after close");
    EXPECT_EQ(readLines(path).size(), 1);
    EXPECT_EQ(quietCalls.load(), 2);
}

TEST_F(LogFile, ConcurrentLinesAreNeverTorn)
{
    JXLog::open();
    const QString path = JXLog::currentFilePath();
    const int threads = 8;
    const int perThread = 400;
    const QString payload(200, QLatin1Char('x'));
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([t, &payload] {
            for (int i = 0; i < perThread; ++i)
                qDebug().noquote()
                    << QStringLiteral("worker %1 line %2 %3").arg(t).arg(i).arg(payload);
        });
    }
    for (auto &w : workers)
        w.join();
    JXLog::close();

    const QStringList lines = readLines(path);
    ASSERT_EQ(lines.size(), threads * perThread);
    const QRegularExpression pattern(
        "^\\[[^\\]]+\\]  LogTest\\.cpp:\\d+  worker (\\d+) line (\\d+) x{200}$");
    std::set<std::pair<int, int>> seen;
    for (const QString &l : lines) {
        const auto m = pattern.match(l);
        ASSERT_TRUE(m.hasMatch()) << l.toStdString();
        seen.insert({m.captured(1).toInt(), m.captured(2).toInt()});
    }
    EXPECT_EQ(seen.size(), size_t(threads * perThread));
}

TEST_F(LogFile, UnwritableLogFolderStillPassesMessagesOn)
{
    // A file where the log folder should be: no directory, no file, no crash.
    touch(appDir.path() + "/log");
    JXLog::open();
    EXPECT_TRUE(JXLog::currentFilePath().isEmpty());
    qDebug("goes only to the previous handler");
    EXPECT_EQ(quietCalls.load(), 1);
}
