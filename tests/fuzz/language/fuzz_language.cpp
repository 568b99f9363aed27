// Feeds arbitrary bytes to the language-file reader, as a damaged or hand-edited en.txt or
// cn.txt would, and compares the line cleaning with a slow, obvious version of its rules.
#include "JXUtils/JXLanguageFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {
void check(bool condition)
{
    if (!condition)
        std::abort();
}

QString referenceClean(QString part)
{
    while (part.startsWith(QLatin1Char(' ')))
        part.remove(0, 1);
    while (part.endsWith(QLatin1Char(' ')) || part.endsWith(QLatin1Char(';')))
        part.chop(1);
    if (part.startsWith(QLatin1Char('"')))
        part.remove(0, 1);
    if (part.endsWith(QLatin1Char('"')))
        part.chop(1);
    return part;
}

void checkLine(const QString &line)
{
    QString key;
    QString text;
    const bool parsed = JXLanguageFile::parseLine(line, key, text);
    check(parsed == (line.count(QLatin1Char('=')) == 1));
    if (!parsed)
        return;
    const int equals = line.indexOf(QLatin1Char('='));
    check(key == referenceClean(line.left(equals)));
    check(text == referenceClean(line.mid(equals + 1)));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QMap<QString, QString> dictionary = JXLanguageFile::read(buffer);

    // translate() looks keys up by the lower-cased text.
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
        check(it.key() == it.key().toLower());
    check(dictionary.size() <= bytes.count('\n') + 1);

    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (const QString &line : lines)
        checkLine(line);
    return 0;
}
