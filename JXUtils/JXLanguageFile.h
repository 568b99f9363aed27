#pragma once

#include <QMap>
#include <QString>

class QIODevice;

// Reader of the language files en.txt and cn.txt: UTF-8 lines "key=text", either bare or
// in the quoted strings-file style ("Key" = "Text";). Reading stops at the first empty
// line; a line without exactly one "=" is skipped; keys are kept in lower case and a later
// line replaces an earlier one with the same key. Pure functions, so the rules can be
// tested and fuzzed without files.
class JXLanguageFile
{
public:
    // Reads the whole dictionary from an open device.
    static QMap<QString, QString> read(QIODevice &device);
    // Splits one line; false when the line holds no "=" or more than one.
    static bool parseLine(const QString &line, QString &key, QString &text);
    // Removes leading blanks, then trailing blanks and ';' repeatedly, then one double quote
    // at each end. Tabs and other white space are kept.
    static QString cleanPart(const QString &part);
};
