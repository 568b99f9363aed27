#pragma once

#include "KorvalQrTables.h"

#include <cstdint>

// The most characters any symbol holds: 7,089 digits in version 40-L. Longer data never
// fits, so the segment list never needs more entries than this.
constexpr int kQrMaxDataCharacters = 7089;

// A run of data encoded in one mode. Links make the list cheap to merge in place.
struct QrSegment
{
    QrMode mode;
    int start;  // offset of the first byte in the data
    int length; // in bytes (a Kanji character is two)
    int prev;   // index of the neighbour in QrSegmentList::segments, or -1
    int next;
};

// The data split into mode segments for one version group, with the cost model of the
// encoder: runs of one character class, then the numeric/alphanumeric pass, then the
// pass that folds short runs into 8-bit segments.
class QrSegmentList
{
public:
    // Segments data (length 1...kQrMaxDataCharacters) for the group of version.
    void build(const uint8_t *data, int length, int version);

    int first() const { return head; }
    const QrSegment &at(int index) const { return segments[index]; }
    // Bits of every segment together: mode indicators, counts and data.
    int totalBits() const;
    int segmentBits(const QrSegment &segment) const;

private:
    int bitsFor(QrMode mode, int length) const;
    void classify(const uint8_t *data, int length);
    int append(QrMode mode, int start, int length);
    void absorbNext(int index);
    int joinWithNeighbours(int index);
    int mergeNumericAlphanumeric(int index);
    bool mergeIntoByte(int index);

    int version = 1;
    int head = -1;
    int tail = -1;
    int used = 0;
    QrSegment segments[kQrMaxDataCharacters];
};

// True when data[i] and data[i + 1] form one Shift JIS character of Kanji mode.
bool qrIsKanjiPair(const uint8_t *data, int length, int i);
