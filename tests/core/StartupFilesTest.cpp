// Language and configuration files that are not what they seem: FIFOs, links to devices or
// to nothing, and files far larger than any real one. Start-up must neither block, nor run
// on, nor write through the link.
#include "JXUtils/JXConfigure.h"
#include "JXUtils/JXLocalize.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {
using namespace std::chrono_literals;

bool isFifo(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

bool isSymlink(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Gives a reader blocked on the FIFO its end of file, so a failing case still ends.
void releaseFifo(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0)
        ::close(fd);
}

// Runs work on a thread of its own; true when it ended within seconds. When it did not,
// the FIFO at fifo is given an end of file until it does.
template <typename Work>
bool endsWithin(std::chrono::milliseconds limit, const QString &fifo, Work work)
{
    auto done = std::async(std::launch::async, work);
    if (done.wait_for(limit) == std::future_status::ready)
        return true;
    while (done.wait_for(100ms) != std::future_status::ready)
        releaseFifo(fifo);
    return false;
}

class StartupFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir().mkpath(appDir.path() + "/configure");
        QDir().mkpath(languageDir());
        JXLocalize::setLanguageDir(languageDir());
    }
    void TearDown() override { JXLocalize::install("none-such"); }

    QString languageDir() const { return appDir.path() + "/language"; }
    QString side() const { return appDir.path() + "/elsewhere"; }

    ScopedAppDir appDir;
};
} // namespace

TEST_F(StartupFiles, ConfigurationFifoIsNeitherReadNorWrittenThrough)
{
    // configure.ini is a link to a FIFO: reading used to block start-up, and the settings
    // class then replaced the FIFO with the INI text.
    ASSERT_EQ(::mkfifo(QFile::encodeName(side()).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(side(), JXConfigure::filePath()));
    const bool ended = endsWithin(3s, side(), [] {
        JXConfigure configure;
        configure.ensureDefaults();
        configure.setLanguage("en");
        return configure.searchSeconds();
    });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(isFifo(side()));
    EXPECT_TRUE(isSymlink(JXConfigure::filePath()));
}

TEST_F(StartupFiles, ConfigurationLinkToNothingOrAHugeFileReadsAsDefaultsAndStaysUnwritten)
{
    // A link to nothing would have created its target wherever it points.
    ASSERT_TRUE(QFile::link(side(), JXConfigure::filePath()));
    {
        JXConfigure configure;
        configure.ensureDefaults();
        EXPECT_EQ(configure.language(), "cn"); // kept in memory for this object only
    }
    EXPECT_FALSE(QFileInfo::exists(side()));
    EXPECT_TRUE(isSymlink(JXConfigure::filePath()));
    ASSERT_TRUE(QFile::remove(JXConfigure::filePath()));

    // A regular file over the limit is left as it is and reads as defaults.
    QFile huge(JXConfigure::filePath());
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    const QByteArray ini = "langage=en\n";
    huge.write(ini +
               QByteArray(static_cast<int>(JXConfigure::kMaxFileBytes) + 1 - ini.size(), '\n'));
    huge.close();
    {
        JXConfigure configure;
        EXPECT_EQ(configure.language(), "");
        configure.setLanguage("cn");
    }
    EXPECT_EQ(QFileInfo(JXConfigure::filePath()).size(), JXConfigure::kMaxFileBytes + 1);

    // At the limit it is still a configuration file.
    ASSERT_TRUE(huge.open(QIODevice::ReadWrite));
    ASSERT_TRUE(huge.resize(JXConfigure::kMaxFileBytes));
    huge.close();
    EXPECT_EQ(JXConfigure().language(), "en");
}

TEST_F(StartupFiles, LanguageFifoDeviceAndHugeFilesLeaveTextsUntranslated)
{
    const QString cn = languageDir() + "/cn.txt";
    ASSERT_EQ(::mkfifo(QFile::encodeName(cn).constData(), 0600), 0);
    EXPECT_TRUE(endsWithin(3s, cn, [] { JXLocalize::install("cn"); }));
    EXPECT_EQ(translate("Search"), "Search");
    ASSERT_TRUE(QFile::remove(cn));

    // A link to an endless device used to grow without bound.
    ASSERT_TRUE(QFile::link("/dev/zero", cn));
    EXPECT_TRUE(endsWithin(3s, cn, [] { JXLocalize::install("cn"); }));
    EXPECT_EQ(translate("Search"), "Search");
    ASSERT_TRUE(QFile::remove(cn));

    // One byte over the limit: not read at all. At the limit: read.
    QByteArray text = "Search=Suchen\n";
    text += QByteArray(static_cast<int>(JXLocalize::kMaxFileBytes) - text.size(), 'x');
    QFile file(cn);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.write("\n");
    file.close();
    JXLocalize::install("cn");
    EXPECT_EQ(translate("Search"), "Search");
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(JXLocalize::kMaxFileBytes));
    file.close();
    JXLocalize::install("cn");
    EXPECT_EQ(translate("Search"), "Suchen");

    // A link to a regular file is fine.
    ASSERT_TRUE(QFile::remove(cn));
    QFile real(side());
    ASSERT_TRUE(real.open(QIODevice::WriteOnly));
    real.write("Search=Suchen\n");
    real.close();
    ASSERT_TRUE(QFile::link(side(), cn));
    JXLocalize::install("cn");
    EXPECT_EQ(translate("Search"), "Suchen");
}
