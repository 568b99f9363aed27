#include "KorvalQr.h"

#include "KorvalQrMatrix.h"
#include "KorvalQrPenalty.h"
#include "KorvalQrReedSolomon.h"

#include <cstring>

namespace {

constexpr int kTerminatorBits = 4;
constexpr uint8_t kPadCodewords[2] = {0xEC, 0x11}; // alternating filler after the data

// First version of each character-count group: 1-9, 10-26, 27-40.
constexpr int kGroupStart[3] = {1, 10, 27};
constexpr int kGroupEnd[3] = {9, 26, 40};

int groupOf(int version)
{
    return version <= 9 ? 0 : (version <= 26 ? 1 : 2);
}

// Appends bits to the symbol's stream, most significant bit first.
class BitWriter
{
public:
    explicit BitWriter(QrSymbol &symbol) : s(symbol)
    {
        s.bitCount = 0;
        std::memset(s.bits, 0, sizeof s.bits);
    }
    void put(uint32_t value, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            if ((value >> i) & 1)
                s.bits[s.bitCount >> 3] |= static_cast<uint8_t>(0x80 >> (s.bitCount & 7));
            ++s.bitCount;
        }
    }

private:
    QrSymbol &s;
};

void putNumeric(BitWriter &w, const uint8_t *d, int n)
{
    int i = 0;
    for (; i + 3 <= n; i += 3)
        w.put((d[i] - '0') * 100 + (d[i + 1] - '0') * 10 + (d[i + 2] - '0'), 10);
    if (n - i == 2)
        w.put((d[i] - '0') * 10 + (d[i + 1] - '0'), 7);
    else if (n - i == 1)
        w.put(d[i] - '0', 4);
}

void putAlphanumeric(BitWriter &w, const uint8_t *d, int n)
{
    int i = 0;
    for (; i + 2 <= n; i += 2)
        w.put(qrAlphanumericValue(d[i]) * 45 + qrAlphanumericValue(d[i + 1]), 11);
    if (i < n)
        w.put(qrAlphanumericValue(d[i]), 6);
}

// Shift JIS 0x8140-0x9FFC and 0xE040-0xEBBF compacted to 13 bits.
void putKanji(BitWriter &w, const uint8_t *d, int n)
{
    for (int i = 0; i + 1 < n; i += 2) {
        int code = (d[i] << 8) | d[i + 1];
        code -= code <= 0x9FFC ? 0x8140 : 0xC140;
        w.put(((code >> 8) * 0xC0) + (code & 0xFF), 13);
    }
}

void putSegment(BitWriter &w, const uint8_t *data, const QrSegment &seg, int version)
{
    const uint8_t *d = data + seg.start;
    const int characters = seg.mode == QrMode::Kanji ? seg.length / 2 : seg.length;
    w.put(qrModeIndicator(seg.mode), 4);
    w.put(static_cast<uint32_t>(characters), qrCountBits(seg.mode, version));
    switch (seg.mode) {
    case QrMode::Numeric:
        putNumeric(w, d, seg.length);
        break;
    case QrMode::Alphanumeric:
        putAlphanumeric(w, d, seg.length);
        break;
    case QrMode::Byte:
        for (int i = 0; i < seg.length; ++i)
            w.put(d[i], 8);
        break;
    case QrMode::Kanji:
        putKanji(w, d, seg.length);
        break;
    }
}

// Segments the data group by group, from the requested version's group on, and returns
// the smallest version that holds it, or 0. The symbol's segments are left for that group.
int chooseVersion(QrSymbol &s, const uint8_t *data, int length, int requested)
{
    for (int group = groupOf(requested > 0 ? requested : 1); group < 3; ++group) {
        s.segments.build(data, length, kGroupStart[group]);
        const int bytes = (s.segments.totalBits() + 7) / 8;
        for (int v = kGroupStart[group]; v <= kGroupEnd[group]; ++v) {
            if (qrVersionInfo(v).levels[s.level].dataCodewords >= bytes)
                return v;
        }
    }
    return 0;
}

// Mode segments, terminator, byte padding and the alternating pad codewords.
void buildDataStream(QrSymbol &s, const uint8_t *data)
{
    BitWriter w(s);
    for (int i = s.segments.first(); i >= 0; i = s.segments.at(i).next)
        putSegment(w, data, s.segments.at(i), s.version);
    const int capacityBits = qrVersionInfo(s.version).levels[s.level].dataCodewords * 8;
    const int terminator = capacityBits - s.bitCount;
    w.put(0, terminator < kTerminatorBits ? terminator : kTerminatorBits);
    w.put(0, (8 - s.bitCount % 8) % 8);
    for (int i = 0; s.bitCount < capacityBits; ++i)
        w.put(kPadCodewords[i & 1], 8);
}

// Splits the data codewords into blocks, adds each block's error correction, and
// interleaves data column by column, then error correction likewise.
void buildCodewords(QrSymbol &s)
{
    const QrLevelLayout &layout = qrVersionInfo(s.version).levels[s.level];
    const int blocks = layout.groups[0].blocks + layout.groups[1].blocks;
    const int shortData = layout.groups[0].dataCodewords;
    const int ecc = layout.eccPerBlock;
    uint8_t eccBytes[kQrMaxEccPerBlock];
    int dataOffset = 0;
    for (int b = 0; b < blocks; ++b) {
        const int dataLength = b < layout.groups[0].blocks ? shortData : shortData + 1;
        const uint8_t *block = s.bits + dataOffset;
        // The last data column holds only the long blocks of the second group.
        for (int i = 0; i < dataLength; ++i) {
            const int index =
                i < shortData ? i * blocks + b : shortData * blocks + (b - layout.groups[0].blocks);
            s.codewords[index] = block[i];
        }
        qrReedSolomon(block, dataLength, ecc, eccBytes);
        for (int i = 0; i < ecc; ++i)
            s.codewords[layout.dataCodewords + i * blocks + b] = eccBytes[i];
        dataOffset += dataLength;
    }
}

// Lowest penalty wins; on equal scores the lower mask number.
int chooseMask(QrSymbol &s)
{
    qrPreparePenalty(s, s.planes);
    int best = 0;
    for (int mask = 0; mask < 8; ++mask) {
        s.penalties[mask] = qrMaskPenalty(s, s.planes, mask);
        if (s.penalties[mask] < s.penalties[best])
            best = mask;
    }
    return best;
}

} // namespace

bool encodeQrSymbol(QrSymbol &symbol, int level, int version, int mask, const char *data)
{
    if (data == nullptr || level < kQrLevelL || level > kQrLevelH || version < 0 ||
        version > kQrMaxVersion || mask < 0 || mask > kQrMaskAutomatic)
        return false;
    const size_t length = std::strlen(data);
    if (length == 0 || length > static_cast<size_t>(kQrMaxDataCharacters))
        return false;
    const auto *bytes = reinterpret_cast<const uint8_t *>(data);

    symbol.level = level;
    const int smallest = chooseVersion(symbol, bytes, static_cast<int>(length), version);
    if (smallest == 0 || (version != 0 && smallest > version))
        return false;
    symbol.version = version != 0 ? version : smallest;
    symbol.size = 4 * symbol.version + 17;

    buildDataStream(symbol, bytes);
    buildCodewords(symbol);
    qrPlaceFunctionPatterns(symbol);
    qrPlaceCodewords(symbol, qrVersionInfo(symbol.version).totalCodewords);
    symbol.mask = mask == kQrMaskAutomatic ? chooseMask(symbol) : mask;
    qrWriteFormatInfo(symbol, symbol.mask);
    qrApplyMaskAndReduce(symbol, symbol.mask);
    return true;
}
