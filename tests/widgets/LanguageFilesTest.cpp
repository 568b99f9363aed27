// Every text the program shows must have an entry in both language files, and the files
// must stay readable by the language-file rules (reading ends at the first empty line, a
// line with a second "=" is skipped).
#include "JXUtils/JXLanguageFile.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTextCodec>
#include <gtest/gtest.h>

namespace {

// Texts of the windows, as their code passes them to translate. Kept by hand for windows
// whose code does not exist yet; the scan of the sources below adds whatever the code
// translates.
const char *const kWindowTexts[] = {
    // main window header: tool tips and captions
    "Select Network", "Network", "Search Devices", "Search", "Settings", "Printer Settings",
    "Scan Code",
    // device table headers
    "Mac", "IP",
    // device panel
    "Device Settings", "Device Name", "IP Address", "Firmware Version", "Set", "Upgrade Firmware",
    "Restore", "Please Input Name", "Restore Device",
    // IP settings dialog
    "IP Mode", "DHCP", "Static", "IP Address", "Netmask", "Gateway", "Dns1", "Dns2", "Set",
    "Cancel", "Please input valid ip address", "Please input valid netmask",
    "Please input valid gateway",
    // search dialog
    "Searching devices",
    // network dialog
    "Please select network", "OK",
    // application settings dialog
    "System Version", "Build Date", "Language", "English", "Chinese", "Hardware", "On", "Off",
    // alert dialog default buttons
    "Ok", "Cancel",
    // printer settings dialog
    "Printer", "Label Width", "Label Height", "Label Column", "Label padding", "Label left padding",
    "Label right padding", "Label top padding", "Label bottom padding", "Save",
    "Please input correct size",
    // scan-code label dialog
    "Scan code", "Product Model", "Product SN", "Label left padding", "Label top padding",
    "Please set model first", "Please set SN first",
    // upgrade result verdicts, shown by their English names
    "upgraded", "same version", "did not come back", "upload failed",
    // refusals of the settings checks and reasons of failed operations, translated where
    // they are shown
    "The name is too long: at most %1 bytes (a letter outside A-Z takes 2 to 4)",
    "The name must not hold line breaks, tabs or other control characters",
    "The netmask must be ones followed by zeros, such as 255.255.255.0",
    "A DNS server must be an address such as 8.8.8.8, or empty",
    "Another listed device already has this address",
    "The gateway is outside the device's subnet; the device may become unreachable. Set it anyway?",
    "The firmware file is empty", "The firmware is not a regular file",
    "The firmware file cannot be read", "refused by the device", "no answer within 3 s",
    "the device reports no usable address", "no readable answer from the device",
    "the device answered with an HTTP error", "the device's answer is too large",
    "no progress: the device stopped reading or did not answer", "the connection failed",
    "Not done:",
    // network trouble, said in the header and the network dialog
    "The network is unreachable: the list is from the last search",
    "No wired or wireless network interface was found", "No network interface is connected",
    "No connected network interface has an IPv4 address",
    "No connected network interface can multicast", "No usable network"};

// Chinese texts that are rightly written in Latin letters.
const char *const kUntranslatedInChinese[] = {"DHCP"};

const char *const kSourceFolders[] = {"app",   "JXUtils",     "JXWidget", "UI",
                                      "Velto", "JXVideoView", "JXPlayer"};

QString languageFilePath(const char *name)
{
    return QDir(testSourceDir()).filePath(QStringLiteral("language/") + name);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// The string literals passed to translate() anywhere in the program's sources.
QSet<QString> translatedLiterals()
{
    static const QRegularExpression kCall(
        QStringLiteral(R"re(\btranslate\(\s*(?:QStringLiteral|QLatin1String|QString)?\s*\(?\s*)re"
                       R"re("((?:[^"\\]|\\.)*)")re"));
    QSet<QString> texts;
    for (const char *folder : kSourceFolders) {
        QDirIterator it(QDir(testSourceDir()).filePath(folder), {"*.cpp", "*.h"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString source = QString::fromUtf8(readAll(it.next()));
            auto matches = kCall.globalMatch(source);
            while (matches.hasNext())
                texts.insert(matches.next().captured(1));
        }
    }
    return texts;
}

QSet<QString> allTexts()
{
    QSet<QString> texts = translatedLiterals();
    for (const char *text : kWindowTexts)
        texts.insert(QString::fromUtf8(text));
    return texts;
}

bool hasChineseCharacter(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    }
    return false;
}

class LanguageFiles : public ::testing::TestWithParam<const char *>
{};

} // namespace

TEST(LanguageSources, TheScanFindsTheTranslatedTextsOfTheCode)
{
    const QSet<QString> literals = translatedLiterals();
    EXPECT_TRUE(literals.contains("Ok"));
    EXPECT_TRUE(literals.contains("Cancel"));
}

TEST_P(LanguageFiles, AreCleanUtf8LinesInTheQuotedStyle)
{
    const QByteArray bytes = readAll(languageFilePath(GetParam()));
    ASSERT_FALSE(bytes.isEmpty());
    QTextCodec::ConverterState state;
    const QString text =
        QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    EXPECT_EQ(state.invalidChars, 0);
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    ASSERT_TRUE(text.endsWith('\n'));

    static const QRegularExpression kStyle(QStringLiteral(R"(^"[^"=]+" = "[^"=]+";$)"));
    const QStringList lines = text.chopped(1).split('\n');
    QSet<QString> keys;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        EXPECT_FALSE(line.isEmpty())
            << GetParam() << ": empty line " << i + 1 << " would end reading there";
        EXPECT_TRUE(kStyle.match(line).hasMatch())
            << GetParam() << ":" << i + 1 << ": " << line.toStdString();
        QString key;
        QString value;
        ASSERT_TRUE(JXLanguageFile::parseLine(line, key, value)) << line.toStdString();
        EXPECT_FALSE(keys.contains(key.toLower())) << "duplicate key " << key.toStdString();
        keys.insert(key.toLower());
    }

    QFile file(languageFilePath(GetParam()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(JXLanguageFile::read(file).size(), lines.size()) << "every line must be read";
}

TEST_P(LanguageFiles, HoldExactlyTheTextsTheProgramShows)
{
    QFile file(languageFilePath(GetParam()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QMap<QString, QString> dictionary = JXLanguageFile::read(file);

    QSet<QString> wanted;
    for (const QString &text : allTexts()) {
        wanted.insert(text.toLower());
        EXPECT_TRUE(dictionary.contains(text.toLower()))
            << GetParam() << " has no entry for \"" << text.toStdString() << "\"";
    }
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        EXPECT_TRUE(wanted.contains(it.key()))
            << GetParam() << ": \"" << it.key().toStdString() << "\" is shown nowhere";
        EXPECT_FALSE(it.value().trimmed().isEmpty()) << it.key().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(EnglishAndChinese, LanguageFiles, ::testing::Values("en.txt", "cn.txt"));

TEST(LanguageFiles, ChineseTranslatesEveryTextAndEnglishKeepsIt)
{
    QFile enFile(languageFilePath("en.txt"));
    QFile cnFile(languageFilePath("cn.txt"));
    ASSERT_TRUE(enFile.open(QIODevice::ReadOnly));
    ASSERT_TRUE(cnFile.open(QIODevice::ReadOnly));
    const QMap<QString, QString> en = JXLanguageFile::read(enFile);
    const QMap<QString, QString> cn = JXLanguageFile::read(cnFile);
    EXPECT_EQ(en.keys(), cn.keys());

    QSet<QString> latin;
    for (const char *text : kUntranslatedInChinese)
        latin.insert(QString::fromUtf8(text).toLower());
    for (auto it = cn.cbegin(); it != cn.cend(); ++it) {
        if (latin.contains(it.key()))
            EXPECT_EQ(it.value().toLower(), it.key());
        else
            EXPECT_TRUE(hasChineseCharacter(it.value()))
                << "cn.txt leaves \"" << it.key().toStdString() << "\" untranslated";
    }
    for (auto it = en.cbegin(); it != en.cend(); ++it)
        EXPECT_EQ(it.value().toLower(), it.key()) << "en.txt rewords " << it.key().toStdString();
}
