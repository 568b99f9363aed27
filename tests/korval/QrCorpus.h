#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// One symbol of the decoding corpus: the data, the level, and the version (0 = automatic).
struct QrCorpusEntry
{
    QString name;
    QByteArray data;
    int level;
    int version;
};

// All four levels; forced versions 1 to 40 with numeric, alphanumeric, byte, Kanji and
// mixed data about half the version's capacity; the longest numeric and byte data each
// level takes at version 40.
std::vector<QrCorpusEntry> qrCorpus();

// Longest data of one mode that version 40 takes at a level.
int qrVersion40Capacity(char mode, int level);

// Data of one mode ('N' numeric, 'A' alphanumeric, 'L' alphanumeric without digits,
// 'B' byte, 'K' Kanji in Shift JIS, 'X' mixed) with `characters` characters, varied by seed.
QByteArray qrSampleData(char mode, int characters, int seed);
