#include "JXUtils/JXAppPaths.h"
#include "support/TestPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <gtest/gtest.h>

TEST(JXAppPaths, WritableApplicationFolderHoldsEverything)
{
    ScopedAppDir appDir;
    EXPECT_EQ(JXAppPaths::applicationDir(), appDir.path());
    EXPECT_EQ(JXAppPaths::dataDir(), appDir.path());

    // Without a language folder beside the program the installed one is used.
    EXPECT_EQ(JXAppPaths::languageDir(), QStringLiteral(LANKIT_INSTALL_DATADIR "/language"));
    QDir(appDir.path()).mkdir("language");
    EXPECT_EQ(JXAppPaths::languageDir(), appDir.path() + "/language");
}

TEST(JXAppPaths, InstalledProgramFindsTheShareFolderBesideItsBinFolder)
{
    ScopedAppDir root;
    const QString bin = root.path() + "/usr/bin";
    const QString installed = root.path() + "/usr/share/lankit/language";
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(QDir().mkpath(installed));
    JXAppPaths::setApplicationDirForTesting(bin);
    EXPECT_EQ(JXAppPaths::languageDir(), installed);

    // A language folder beside the program still comes first.
    QDir(bin).mkdir("language");
    EXPECT_EQ(JXAppPaths::languageDir(), bin + "/language");
    JXAppPaths::setApplicationDirForTesting(QString());
}

TEST(JXAppPaths, UnwritableApplicationFolderMovesDataToTheUserFolder)
{
    JXAppPaths::setApplicationDirForTesting("/nonexistent/lankit/bin");
    const QString expected = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    EXPECT_EQ(JXAppPaths::dataDir(), expected);
    EXPECT_NE(expected, "/nonexistent/lankit/bin");
    JXAppPaths::setApplicationDirForTesting(QString());
    EXPECT_EQ(JXAppPaths::applicationDir(), QCoreApplication::applicationDirPath());
}
