#include "JXUtils/JXLanguageFile.h"
#include "JXUtils/JXLocalize.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

QMap<QString, QString> readBytes(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return JXLanguageFile::read(buffer);
}

// A language folder of its own; the previous folder and language come back afterwards.
class LanguageDir
{
public:
    LanguageDir() : previous(JXLocalize::languageDir()) { JXLocalize::setLanguageDir(dir.path()); }
    ~LanguageDir()
    {
        JXLocalize::setLanguageDir(previous);
        JXLocalize::install(QStringLiteral("none"));
    }
    void write(const QString &name, const QByteArray &content)
    {
        QFile file(QDir(dir.path()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QString path() const { return dir.path(); }

private:
    QTemporaryDir dir;
    QString previous;
};

// Records the order in which observers are relabelled and what they saw.
struct Journal
{
    QStringList calls;
};

class RecordingObserver : public JXLocalize
{
public:
    RecordingObserver(Journal &journal, const QString &name) : journal(journal), name(name) {}
    void languageChanged() override
    {
        journal.calls << name + QLatin1Char(':') + translate(QStringLiteral("Search"));
        if (onChange)
            onChange();
    }
    std::function<void()> onChange;

private:
    Journal &journal;
    QString name;
};

} // namespace

TEST(LanguageFile, CleansEachPartOfALine)
{
    struct Case
    {
        const char *line;
        bool parsed;
        const char *key;
        const char *text;
    };
    const Case cases[] = {
        {"Search=Suchen", true, "Search", "Suchen"},
        {"\"Device Name\" = \"Gerätename\";", true, "Device Name", "Gerätename"},
        {"  \"a\"   =   \"b\" ;; ; ", true, "a", "b"},
        {"a = \"b;\"", true, "a", "b;"},
        {"a = b ; ", true, "a", "b"},
        {"\"\"twice\"\" = x", true, "\"twice\"", "x"},
        {"\t\"tab\" = \"x\"\t", true, "\t\"tab", "x\"\t"},
        {"\"\" = \"\"", true, "", ""},
        {"=", true, "", ""},
        {"\" = \"", true, "", ""},
        {"a=b=c", false, "", ""},
        {"\"Key\" = \"x = y\";", false, "", ""},
        {"no separator", false, "", ""},
        {"", false, "", ""},
    };
    for (const Case &c : cases) {
        QString key;
        QString text;
        const bool parsed = JXLanguageFile::parseLine(QString::fromUtf8(c.line), key, text);
        EXPECT_EQ(parsed, c.parsed) << c.line;
        if (parsed && c.parsed) {
            EXPECT_EQ(key, QString::fromUtf8(c.key)) << c.line;
            EXPECT_EQ(text, QString::fromUtf8(c.text)) << c.line;
        }
    }
}

TEST(LanguageFile, ReadingStopsAtTheFirstEmptyLine)
{
    const auto d = readBytes("Search=Suchen\n\nUpgrading=Aktualisieren\n");
    EXPECT_EQ(d.size(), 1);
    EXPECT_EQ(d.value("search"), "Suchen");
    EXPECT_FALSE(d.contains("upgrading"));

    // A line of blanks is not empty: it is skipped and reading goes on.
    const auto blanks = readBytes("a=1\n   \r\nb=2\r\n\r\nc=3");
    EXPECT_EQ(blanks.keys(), QStringList({"a", "b"}));
}

TEST(LanguageFile, KeysAreLowerCaseAndLaterLinesWin)
{
    const auto d = readBytes("\xEF\xBB\xBF\"Scan Code\" = \"first\";\r\n"
                             "\"SCAN code\" = \"\xE6\x89\xAB\xE7\xA0\x81\";\r\n"
                             "a=b=c\n"
                             "\"OK\" = \"Okay\";");
    EXPECT_EQ(d.keys(), QStringList({"ok", "scan code"}));
    EXPECT_EQ(d.value("scan code"), QString::fromUtf8("扫码"));
    EXPECT_EQ(d.value("ok"), "Okay");
}

TEST(Localize, TranslatesFromTheInstalledFileOnly)
{
    LanguageDir dir;
    dir.write("de.txt", "Search=Suchen\n\"Upgrade Firmware\" = \"Firmware aktualisieren\";\n\n"
                        "Upgrading=Aktualisieren\n");
    JXLocalize::install("de");
    EXPECT_EQ(JXLocalize::currentLanguage(), "de.txt");
    EXPECT_EQ(translate("Search"), "Suchen");
    EXPECT_EQ(translate("search"), "Suchen");
    EXPECT_EQ(translate("UPGRADE FIRMWARE"), "Firmware aktualisieren");
    EXPECT_EQ(translate("Upgrading"), "Upgrading");
    EXPECT_EQ(translate("Not In The File"), "Not In The File");

    // A missing file empties the dictionary: every text is shown as written.
    JXLocalize::install("missing");
    EXPECT_EQ(JXLocalize::currentLanguage(), "missing.txt");
    EXPECT_EQ(translate("Search"), "Search");
}

TEST(Localize, NameWithOrWithoutTxtLoadsTheSameFile)
{
    LanguageDir dir;
    dir.write("en.txt", "Search=Find\n");
    dir.write("en.TXT.txt", "Search=Upper\n");
    const std::pair<const char *, const char *> cases[] = {
        {"en", "Find"}, {"en.txt", "Find"}, {"en.TXT", "Upper"}};
    for (const auto &c : cases) {
        JXLocalize::changeLanguage(c.first);
        EXPECT_EQ(translate("Search"), c.second) << c.first;
    }
    // The folder may be given with its final slash.
    JXLocalize::setLanguageDir(dir.path() + "/");
    JXLocalize::changeLanguage("en");
    EXPECT_EQ(translate("Search"), "Find");
}

TEST(Localize, ObserversAreRelabelledOnceInRegistrationOrder)
{
    LanguageDir dir;
    dir.write("en.txt", "Search=Search\n");
    dir.write("cn.txt", "Search=\xE6\x90\x9C\xE7\xB4\xA2\n");
    JXLocalize::install("en");

    Journal journal;
    RecordingObserver first(journal, "first");
    auto gone = std::make_unique<RecordingObserver>(journal, "gone");
    RecordingObserver second(journal, "second");
    RecordingObserver third(journal, "third");
    gone.reset();

    JXLocalize::install("cn");
    EXPECT_TRUE(journal.calls.isEmpty()) << "install must not notify";

    JXLocalize::changeLanguage("cn");
    const QString cn = QString::fromUtf8("搜索");
    EXPECT_EQ(journal.calls, QStringList({"first:" + cn, "second:" + cn, "third:" + cn}));

    journal.calls.clear();
    JXLocalize::changeLanguage("en");
    EXPECT_EQ(journal.calls, QStringList({"first:Search", "second:Search", "third:Search"}));
}

TEST(Localize, ObserversDestroyedOrCreatedDuringASwitch)
{
    LanguageDir dir;
    dir.write("en.txt", "Search=Find\n");
    Journal journal;
    RecordingObserver killer(journal, "killer");
    auto victim = std::make_unique<RecordingObserver>(journal, "victim");
    std::unique_ptr<RecordingObserver> late;
    killer.onChange = [&] {
        victim.reset();
        if (!late)
            late = std::make_unique<RecordingObserver>(journal, "late");
    };

    JXLocalize::changeLanguage("en");
    EXPECT_EQ(journal.calls, QStringList({"killer:Find"}));

    journal.calls.clear();
    JXLocalize::changeLanguage("en");
    EXPECT_EQ(journal.calls, QStringList({"killer:Find", "late:Find"}));
}
