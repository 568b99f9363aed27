#include "KorvalQrMatrix.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t FormatGenerator = 0x537;   // BCH(15,5) generator of the format bits
constexpr uint32_t FormatXorMask = 0x5412;    // keeps the format bits from being all zero
constexpr uint32_t VersionGenerator = 0x1F25; // BCH(18,6) generator of the version bits
constexpr int FirstVersionWithInfo = 7;

// Penalty weights of the four mask evaluation rules.
constexpr int PenaltyRunBase = 3; // a run of five adds 3, each further module 1 more
constexpr int PenaltyBlock = 3;
constexpr int PenaltyFinder = 40;
constexpr int PenaltyBalance = 10;

void setFunction(QrSymbol &s, int x, int y, bool dark)
{
    s.modules[x][y] = static_cast<uint8_t>(QrModuleFunction | (dark ? QrModuleFunctionDark : 0));
}

// A 7 x 7 finder centred at (cx, cy) with its light separator, clipped to the symbol.
void placeFinder(QrSymbol &s, int cx, int cy)
{
    for (int dy = -4; dy <= 4; ++dy) {
        for (int dx = -4; dx <= 4; ++dx) {
            const int x = cx + dx;
            const int y = cy + dy;
            if (x < 0 || y < 0 || x >= s.size || y >= s.size)
                continue;
            const int ring = std::abs(dx) > std::abs(dy) ? std::abs(dx) : std::abs(dy);
            setFunction(s, x, y, ring != 2 && ring != 4);
        }
    }
}

void placeAlignment(QrSymbol &s, int cx, int cy)
{
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const int ring = std::abs(dx) > std::abs(dy) ? std::abs(dx) : std::abs(dy);
            setFunction(s, cx + dx, cy + dy, ring != 1);
        }
    }
}

void placeAlignmentPatterns(QrSymbol &s)
{
    const QrVersionInfo &info = qrVersionInfo(s.version);
    const int last = info.alignmentCount - 1;
    for (int i = 0; i <= last; ++i) {
        for (int j = 0; j <= last; ++j) {
            // The three corners that hold finder patterns get none.
            if ((i == 0 && j == 0) || (i == 0 && j == last) || (i == last && j == 0))
                continue;
            placeAlignment(s, info.alignment[i], info.alignment[j]);
        }
    }
}

uint32_t bchRemainder(uint32_t value, uint32_t generator, int generatorDegree)
{
    uint32_t r = value << generatorDegree;
    for (int bit = 31; bit >= generatorDegree; --bit) {
        if (r & (1u << bit))
            r ^= generator << (bit - generatorDegree);
    }
    return r;
}

void placeVersionInfo(QrSymbol &s)
{
    if (s.version < FirstVersionWithInfo)
        return;
    const uint32_t bits = (static_cast<uint32_t>(s.version) << 12) |
                          bchRemainder(static_cast<uint32_t>(s.version), VersionGenerator, 12);
    for (int i = 0; i < 18; ++i) {
        const bool dark = (bits >> i) & 1;
        const int a = s.size - 11 + i % 3;
        const int b = i / 3;
        setFunction(s, a, b, dark);
        setFunction(s, b, a, dark);
    }
}

bool maskBit(int mask, int x, int y)
{
    switch (mask) {
    case 0:
        return (x + y) % 2 == 0;
    case 1:
        return y % 2 == 0;
    case 2:
        return x % 3 == 0;
    case 3:
        return (x + y) % 3 == 0;
    case 4:
        return (y / 2 + x / 3) % 2 == 0;
    case 5:
        return (x * y) % 2 + (x * y) % 3 == 0;
    case 6:
        return ((x * y) % 2 + (x * y) % 3) % 2 == 0;
    default:
        return ((x + y) % 2 + (x * y) % 3) % 2 == 0;
    }
}

// Writes every module as 1 (dark) or 0 under the mask, row by row and column by column,
// so that both scan directions of the penalty read contiguous memory.
int renderMasked(const QrSymbol &s, int mask, uint8_t *rows, uint8_t *columns)
{
    const int n = s.size;
    int dark = 0;
    for (int x = 0; x < n; ++x) {
        const uint8_t *column = s.modules[x];
        for (int y = 0; y < n; ++y) {
            const uint8_t m = column[y];
            const bool value = (m & QrModuleFunction)
                                   ? (m & QrModuleFunctionDark) != 0
                                   : ((m & QrModuleData) != 0) != maskBit(mask, x, y);
            rows[y * n + x] = value;
            columns[x * n + y] = value;
            dark += value;
        }
    }
    return dark;
}

// Runs of five or more equal modules, and 1:1:3:1:1 finder look-alikes with four light
// modules on at least one side (outside the symbol counts as light: the quiet zone).
int linePenalty(const uint8_t *line, int n)
{
    int penalty = 0;
    int run = 1;
    for (int k = 1; k < n; ++k) {
        if (line[k] == line[k - 1]) {
            ++run;
            continue;
        }
        if (run >= 5)
            penalty += PenaltyRunBase + run - 5;
        run = 1;
    }
    if (run >= 5)
        penalty += PenaltyRunBase + run - 5;

    uint32_t window = 0; // the last 15 modules, four light ones padded on both ends
    for (int k = 0; k < n + 8; ++k) {
        const uint32_t bit = (k >= 4 && k < n + 4) ? line[k - 4] : 0;
        window = ((window << 1) | bit) & 0x7FFF;
        if (k >= 14 && ((window >> 4) & 0x7F) == 0x5D &&
            ((window & 0xF) == 0 || (window >> 11) == 0))
            penalty += PenaltyFinder;
    }
    return penalty;
}

int blockPenalty(const uint8_t *rows, int n)
{
    int penalty = 0;
    for (int y = 0; y + 1 < n; ++y) {
        const uint8_t *top = rows + y * n;
        const uint8_t *bottom = top + n;
        for (int x = 0; x + 1 < n; ++x) {
            const uint8_t v = top[x];
            if (top[x + 1] == v && bottom[x] == v && bottom[x + 1] == v)
                penalty += PenaltyBlock;
        }
    }
    return penalty;
}

} // namespace

void qrPlaceFunctionPatterns(QrSymbol &s)
{
    const int n = s.size;
    for (int x = 0; x < n; ++x)
        std::memset(s.modules[x], 0, static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        setFunction(s, 6, i, i % 2 == 0);
        setFunction(s, i, 6, i % 2 == 0);
    }
    placeFinder(s, 3, 3);
    placeFinder(s, n - 4, 3);
    placeFinder(s, 3, n - 4);
    placeAlignmentPatterns(s);
    // Reserve both format copies now; their bits depend on the mask.
    for (int i = 0; i < 9; ++i) {
        if (i != 6) {
            setFunction(s, 8, i, false);
            setFunction(s, i, 8, false);
        }
    }
    for (int i = 0; i < 8; ++i) {
        setFunction(s, n - 1 - i, 8, false);
        setFunction(s, 8, n - 1 - i, false);
    }
    setFunction(s, 8, n - 8, true); // the dark module
    placeVersionInfo(s);
}

void qrPlaceCodewords(QrSymbol &s, int codewordCount)
{
    const int n = s.size;
    const int totalBits = codewordCount * 8;
    int bit = 0;
    for (int right = n - 1; right >= 1; right -= 2) {
        if (right == 6)
            right = 5; // the vertical timing pattern is skipped as a whole column
        const bool upward = ((right + 1) & 2) == 0;
        for (int step = 0; step < n; ++step) {
            const int y = upward ? n - 1 - step : step;
            for (int x = right; x >= right - 1; --x) {
                if (s.modules[x][y] & QrModuleFunction)
                    continue;
                // Modules past the last codeword are the remainder bits, left light.
                if (bit < totalBits && ((s.codewords[bit >> 3] >> (7 - (bit & 7))) & 1))
                    s.modules[x][y] = QrModuleData;
                ++bit;
            }
        }
    }
}

void qrWriteFormatInfo(QrSymbol &s, int mask)
{
    const uint32_t data = (qrLevelFormatBits(s.level) << 3) | static_cast<uint32_t>(mask);
    const uint32_t bits = ((data << 10) | bchRemainder(data, FormatGenerator, 10)) ^ FormatXorMask;
    const int n = s.size;
    auto bitAt = [bits](int i) {
        return ((bits >> i) & 1) != 0;
    };
    for (int i = 0; i <= 5; ++i)
        setFunction(s, 8, i, bitAt(i));
    setFunction(s, 8, 7, bitAt(6));
    setFunction(s, 8, 8, bitAt(7));
    setFunction(s, 7, 8, bitAt(8));
    for (int i = 9; i < 15; ++i)
        setFunction(s, 14 - i, 8, bitAt(i));
    for (int i = 0; i < 8; ++i)
        setFunction(s, n - 1 - i, 8, bitAt(i));
    for (int i = 8; i < 15; ++i)
        setFunction(s, 8, n - 15 + i, bitAt(i));
}

int qrMaskPenalty(QrSymbol &s, int mask)
{
    qrWriteFormatInfo(s, mask);
    const int n = s.size;
    uint8_t *rows = s.maskedRows;
    uint8_t *columns = s.maskedColumns;
    const int dark = renderMasked(s, mask, rows, columns);
    int penalty = blockPenalty(rows, n);
    for (int i = 0; i < n; ++i)
        penalty += linePenalty(rows + i * n, n) + linePenalty(columns + i * n, n);
    const int percent = dark * 100 / (n * n);
    penalty += PenaltyBalance * (std::abs(50 - percent) / 5);
    return penalty;
}

void qrApplyMaskAndReduce(QrSymbol &s, int mask)
{
    const int n = s.size;
    for (int x = 0; x < n; ++x) {
        for (int y = 0; y < n; ++y) {
            const uint8_t m = s.modules[x][y];
            const bool dark = (m & QrModuleFunction)
                                  ? (m & QrModuleFunctionDark) != 0
                                  : ((m & QrModuleData) != 0) != maskBit(mask, x, y);
            s.modules[x][y] = dark ? 1 : 0;
        }
    }
}
