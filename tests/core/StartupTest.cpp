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
