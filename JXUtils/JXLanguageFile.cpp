#include "JXUtils/JXLanguageFile.h"

#include <QIODevice>
#include <QStringList>
#include <QTextStream>

QMap<QString, QString> JXLanguageFile::read(QIODevice &device)
{
    QMap<QString, QString> dictionary;
    QTextStream stream(&device);
    stream.setCodec("UTF-8");
    QString line;
    while (stream.readLineInto(&line) && !line.isEmpty()) {
        QString key;
        QString text;
        if (parseLine(line, key, text))
            dictionary.insert(key.toLower(), text);
    }
    return dictionary;
}

bool JXLanguageFile::parseLine(const QString &line, QString &key, QString &text)
{
    const QStringList parts = line.split(QLatin1Char('='));
    if (parts.size() != 2)
        return false;
    key = cleanPart(parts.at(0));
    text = cleanPart(parts.at(1));
    return true;
}

QString JXLanguageFile::cleanPart(const QString &part)
{
    const QLatin1Char blank(' ');
    const QLatin1Char semicolon(';');
    const QLatin1Char quote('"');
    int begin = 0;
    int end = part.size();
    while (begin < end && part.at(begin) == blank)
        ++begin;
    while (end > begin && (part.at(end - 1) == blank || part.at(end - 1) == semicolon))
        --end;
    if (begin < end && part.at(begin) == quote)
        ++begin;
    if (begin < end && part.at(end - 1) == quote)
        --end;
    return part.mid(begin, end - begin);
}
