#include "KorvalQrSegments.h"

namespace {

constexpr int kModeIndicatorBits = 4;

QrMode classOf(uint8_t c)
{
    if (c >= '0' && c <= '9')
        return QrMode::Numeric;
    return qrAlphanumericValue(c) >= 0 ? QrMode::Alphanumeric : QrMode::Byte;
}

bool isNumericAlphanumericPair(QrMode a, QrMode b)
{
    return (a == QrMode::Numeric && b == QrMode::Alphanumeric) ||
           (a == QrMode::Alphanumeric && b == QrMode::Numeric);
}

} // namespace

bool qrIsKanjiPair(const uint8_t *data, int length, int i)
{
    if (i + 1 >= length)
        return false;
    const uint8_t lead = data[i];
    const uint8_t trail = data[i + 1];
    if (trail < 0x40)
        return false;
    if (lead >= 0x81 && lead <= 0x9F)
        return lead < 0x9F || trail <= 0xFC;
    if (lead >= 0xE0 && lead <= 0xEB)
        return lead < 0xEB || trail <= 0xBF;
    return false;
}

int QrSegmentList::bitsFor(QrMode mode, int length) const
{
    int data = 0;
    switch (mode) {
    case QrMode::Numeric:
        data = 10 * (length / 3) + (length % 3 == 1 ? 4 : (length % 3 == 2 ? 7 : 0));
        break;
    case QrMode::Alphanumeric:
        data = 11 * (length / 2) + 6 * (length % 2);
        break;
    case QrMode::Byte:
        data = 8 * length;
        break;
    case QrMode::Kanji:
        data = 13 * (length / 2);
        break;
    }
    return kModeIndicatorBits + qrCountBits(mode, version) + data;
}

int QrSegmentList::segmentBits(const QrSegment &segment) const
{
    return bitsFor(segment.mode, segment.length);
}

int QrSegmentList::totalBits() const
{
    int bits = 0;
    for (int i = head; i >= 0; i = segments[i].next)
        bits += segmentBits(segments[i]);
    return bits;
}

int QrSegmentList::append(QrMode mode, int start, int length)
{
    const int index = used++;
    segments[index] = {mode, start, length, tail, -1};
    if (tail >= 0)
        segments[tail].next = index;
    else
        head = index;
    tail = index;
    return index;
}

// Joins the segment after index into it; the joined segment takes the mode of index.
void QrSegmentList::absorbNext(int index)
{
    QrSegment &s = segments[index];
    const QrSegment &n = segments[s.next];
    s.length += n.length;
    s.next = n.next;
    if (s.next >= 0)
        segments[s.next].prev = index;
    else
        tail = index;
}

// After a merge: joins equal-mode neighbours after and before; returns the joined segment.
int QrSegmentList::joinWithNeighbours(int index)
{
    const QrMode mode = segments[index].mode;
    if (segments[index].next >= 0 && segments[segments[index].next].mode == mode)
        absorbNext(index);
    const int prev = segments[index].prev;
    if (prev >= 0 && segments[prev].mode == mode) {
        absorbNext(prev);
        return prev;
    }
    return index;
}

void QrSegmentList::classify(const uint8_t *data, int length)
{
    for (int i = 0; i < length;) {
        const bool kanji = qrIsKanjiPair(data, length, i);
        const QrMode mode = kanji ? QrMode::Kanji : classOf(data[i]);
        const int size = kanji ? 2 : 1;
        if (tail >= 0 && segments[tail].mode == mode)
            segments[tail].length += size;
        else
            append(mode, i, size);
        i += size;
    }
}

// Pass 1 at the pair (index, next). Returns where the walk goes on: the next segment
// when nothing merged, otherwise the segment that now stands at the pair's place.
int QrSegmentList::mergeNumericAlphanumeric(int index)
{
    QrSegment &a = segments[index];
    QrSegment &b = segments[a.next];
    if (!isNumericAlphanumericPair(a.mode, b.mode))
        return a.next;
    const int merged = bitsFor(QrMode::Alphanumeric, a.length + b.length);
    if (segmentBits(a) + segmentBits(b) <= merged)
        return a.next;

    // A: the pair's first segment joins the 8-bit segment before it.
    const int before = a.prev;
    bool keepA = false;
    int costA = 0;
    if (before >= 0 && segments[before].mode == QrMode::Byte) {
        costA = bitsFor(QrMode::Byte, segments[before].length + a.length) + segmentBits(b);
        keepA = costA <= segmentBits(segments[before]) + merged;
    }
    // B: the pair's second segment joins the 8-bit segment after it.
    const int after = b.next;
    bool keepB = false;
    int costB = 0;
    if (after >= 0 && segments[after].mode == QrMode::Byte) {
        costB = bitsFor(QrMode::Byte, b.length + segments[after].length) + segmentBits(a);
        keepB = costB <= segmentBits(segments[after]) + merged;
    }

    if (keepB && (!keepA || costB <= costA)) {
        const int second = a.next;
        segments[second].mode = QrMode::Byte;
        absorbNext(second);
        return index;
    }
    if (keepA) {
        const int second = a.next;
        absorbNext(before);
        return second;
    }
    a.mode = QrMode::Alphanumeric;
    absorbNext(index);
    return joinWithNeighbours(index);
}

// Pass 2 at the pair (index, next). Returns true when it merged the pair.
bool QrSegmentList::mergeIntoByte(int index)
{
    QrSegment &a = segments[index];
    const QrSegment &b = segments[a.next];
    const int headerBits = kModeIndicatorBits + qrCountBits(QrMode::Byte, version);
    int merged = bitsFor(QrMode::Byte, a.length + b.length);
    if (a.prev >= 0 && segments[a.prev].mode == QrMode::Byte)
        merged -= headerBits;
    if (b.next >= 0 && segments[b.next].mode == QrMode::Byte)
        merged -= headerBits;
    if (segmentBits(a) + segmentBits(b) <= merged)
        return false;
    a.mode = QrMode::Byte;
    absorbNext(index);
    return true;
}

void QrSegmentList::build(const uint8_t *data, int length, int forVersion)
{
    version = forVersion;
    head = tail = -1;
    used = 0;
    classify(data, length);

    // Each pass walks from the front; after a merge it looks at the same place again,
    // where the merged segment now has a new neighbour.
    for (int i = head; i >= 0 && segments[i].next >= 0;)
        i = mergeNumericAlphanumeric(i);
    for (int i = head; i >= 0 && segments[i].next >= 0;) {
        if (mergeIntoByte(i))
            i = joinWithNeighbours(i);
        else
            i = segments[i].next;
    }
}
