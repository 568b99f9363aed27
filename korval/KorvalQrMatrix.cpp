#include "KorvalQrMatrix.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kFormatGenerator = 0x537;   // BCH(15,5) generator of the format bits
constexpr uint32_t kFormatXorMask = 0x5412;    // keeps the format bits from being all zero
constexpr uint32_t kVersionGenerator = 0x1F25; // BCH(18,6) generator of the version bits
constexpr int kFirstVersionWithInfo = 7;

void setFunction(QrSymbol &s, int x, int y, bool dark)
{
    s.modules[x][y] = static_cast<uint8_t>(kQrModuleFunction | (dark ? kQrModuleFunctionDark : 0));
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
    if (s.version < kFirstVersionWithInfo)
        return;
    const uint32_t bits = (static_cast<uint32_t>(s.version) << 12) |
                          bchRemainder(static_cast<uint32_t>(s.version), kVersionGenerator, 12);
    for (int i = 0; i < 18; ++i) {
        const bool dark = (bits >> i) & 1;
        const int a = s.size - 11 + i % 3;
        const int b = i / 3;
        setFunction(s, a, b, dark);
        setFunction(s, b, a, dark);
    }
}

} // namespace

bool qrMaskBit(int mask, int x, int y)
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
                if (s.modules[x][y] & kQrModuleFunction)
                    continue;
                // Modules past the last codeword are the remainder bits, left light.
                if (bit < totalBits && ((s.codewords[bit >> 3] >> (7 - (bit & 7))) & 1))
                    s.modules[x][y] = kQrModuleData;
                ++bit;
            }
        }
    }
}

void qrFormatModules(const QrSymbol &s, int mask, QrFormatModule *out)
{
    const uint32_t data = (qrLevelFormatBits(s.level) << 3) | static_cast<uint32_t>(mask);
    const uint32_t bits =
        ((data << 10) | bchRemainder(data, kFormatGenerator, 10)) ^ kFormatXorMask;
    const int n = s.size;
    int k = 0;
    auto put = [&](int x, int y, int bit) {
        out[k++] = {x, y, ((bits >> bit) & 1) != 0};
    };
    // Around the top-left finder: down column 8 (skipping the timing row), then along row 8.
    for (int i = 0; i <= 5; ++i)
        put(8, i, i);
    put(8, 7, 6);
    put(8, 8, 7);
    put(7, 8, 8);
    for (int i = 9; i < 15; ++i)
        put(14 - i, 8, i);
    // The copy: under the top-right finder, then beside the bottom-left one.
    for (int i = 0; i < 8; ++i)
        put(n - 1 - i, 8, i);
    for (int i = 8; i < 15; ++i)
        put(8, n - 15 + i, i);
}

void qrWriteFormatInfo(QrSymbol &s, int mask)
{
    QrFormatModule modules[kQrFormatModuleCount];
    qrFormatModules(s, mask, modules);
    for (const QrFormatModule &m : modules)
        setFunction(s, m.x, m.y, m.dark);
}

void qrApplyMaskAndReduce(QrSymbol &s, int mask)
{
    const int n = s.size;
    for (int x = 0; x < n; ++x) {
        for (int y = 0; y < n; ++y) {
            const uint8_t m = s.modules[x][y];
            const bool dark = (m & kQrModuleFunction)
                                  ? (m & kQrModuleFunctionDark) != 0
                                  : ((m & kQrModuleData) != 0) != qrMaskBit(mask, x, y);
            s.modules[x][y] = dark ? 1 : 0;
        }
    }
}
