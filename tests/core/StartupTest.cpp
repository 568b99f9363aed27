#include "app/Startup.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

TEST(Startup, OnlyEnInAnyCaseSelectsEnglish)
{
    const std::pair<const char *, const char *> cases[] = {
        {"en", "en.txt"}, {"EN", "en.txt"}, {"En", "en.txt"},  {"cn", "cn.txt"},
        {"", "cn.txt"},   {"fr", "cn.txt"}, {"en ", "cn.txt"}, {"english", "cn.txt"}};
    for (const auto &c : cases)
        EXPECT_EQ(Startup::languageFileFor(c.first), c.second) << c.first;
}

TEST(Startup, OpenGLFourOrHigherSelectsDesktopElseSoftware)
{
    const std::pair<int, bool> cases[] = {{4, true}, {6, true}, {3, false}, {0, false}};
    for (const auto &c : cases) {
        Startup::applyOpenGLAttributes(c.first);
        EXPECT_EQ(QCoreApplication::testAttribute(Qt::AA_UseDesktopOpenGL), c.second) << c.first;
        EXPECT_EQ(QCoreApplication::testAttribute(Qt::AA_UseSoftwareOpenGL), !c.second) << c.first;
    }
}
