#include "KorvalQrPenalty.h"

#include "KorvalQrMatrix.h"
#include "KorvalQrSymbol.h"

#include <array>
#include <cstdlib>

namespace {

constexpr int kPad = 4; // light modules on each side of a line

// Penalty weights of the four mask evaluation rules.
constexpr int kPenaltyRunBonus = 2; // a run of L >= 5 scores L - 2: one per 5-window plus 2
constexpr int kPenaltyBlock = 3;
constexpr int kPenaltyFinder = 40;
constexpr int kPenaltyBalance = 10;

// Line operations on the first W words only: versions 1-9 need one word, 10-23 two.
template <int W>
struct Line
{
    uint64_t w[W];

    static Line of(const QrLine &l)
    {
        Line r;
        for (int j = 0; j < W; ++j)
            r.w[j] = l.w[j];
        return r;
    }
    Line operator&(const Line &b) const
    {
        return apply(b, [](uint64_t x, uint64_t y) { return x & y; });
    }
    Line operator|(const Line &b) const
    {
        return apply(b, [](uint64_t x, uint64_t y) { return x | y; });
    }
    Line operator^(const Line &b) const
    {
        return apply(b, [](uint64_t x, uint64_t y) { return x ^ y; });
    }
    Line operator~() const
    {
        Line r;
        for (int j = 0; j < W; ++j)
            r.w[j] = ~w[j];
        return r;
    }
    // Bit i of the result is bit i + k (the module k places further on).
    Line ahead(int k) const
    {
        Line r;
        for (int j = 0; j < W; ++j)
            r.w[j] = (w[j] >> k) | (j + 1 < W ? w[j + 1] << (64 - k) : 0);
        return r;
    }
    // Bit i of the result is bit i - k.
    Line behind(int k) const
    {
        Line r;
        for (int j = 0; j < W; ++j)
            r.w[j] = (w[j] << k) | (j > 0 ? w[j - 1] >> (64 - k) : 0);
        return r;
    }
    bool any() const
    {
        uint64_t all = 0;
        for (int j = 0; j < W; ++j)
            all |= w[j];
        return all != 0;
    }
    int count() const;

    template <typename F>
    Line apply(const Line &b, F f) const
    {
        Line r;
        for (int j = 0; j < W; ++j)
            r.w[j] = f(w[j], b.w[j]);
        return r;
    }
};

// Portable population count: the baseline x86-64 target has no popcount instruction, and
// the library call it would fall back to costs more than this.
int count64(uint64_t x)
{
    if (x == 0)
        return 0;
    x = x - ((x >> 1) & 0x5555555555555555u);
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<int>((x * 0x0101010101010101u) >> 56);
}

template <int W>
int Line<W>::count() const
{
    int n = 0;
    for (int j = 0; j < W; ++j)
        n += count64(w[j]);
    return n;
}

void setBit(QrLine &line, int module, bool value)
{
    const int bit = module + kPad;
    const uint64_t m = uint64_t{1} << (bit % 64);
    line.w[bit / 64] = value ? line.w[bit / 64] | m : line.w[bit / 64] & ~m;
}

// Bits of modules first...first+count-1.
QrLine span(int first, int count)
{
    QrLine r{};
    for (int i = 0; i < count; ++i)
        setBit(r, first + i, true);
    return r;
}

// The eight mask patterns as lines, by row and by column, for the largest symbol.
struct MaskLines
{
    QrLine rows[8][kQrMaxModules];
    QrLine columns[8][kQrMaxModules];
};

const MaskLines &maskLines()
{
    static const MaskLines *kLines = [] {
        auto *m = new MaskLines{}; // lives for the process, built once
        for (int mask = 0; mask < 8; ++mask) {
            for (int a = 0; a < kQrMaxModules; ++a) {
                for (int b = 0; b < kQrMaxModules; ++b) {
                    setBit(m->rows[mask][a], b, qrMaskBit(mask, b, a));
                    setBit(m->columns[mask][a], b, qrMaskBit(mask, a, b));
                }
            }
        }
        return m;
    }();
    return *kLines;
}

// Runs of five or more and finder look-alikes in one line.
template <int W>
int linePenalty(const Line<W> &dark, const Line<W> &pairs)
{
    const Line<W> same = ~(dark ^ dark.ahead(1)) & pairs; // equals its next module
    const Line<W> five = same & same.ahead(1) & same.ahead(2) & same.ahead(3);
    int penalty = five.count();
    if (penalty != 0)
        penalty += kPenaltyRunBonus * (five & ~same.behind(1)).count();

    const Line<W> light = ~dark;
    const Line<W> finder = dark & light.ahead(1) & dark.ahead(2) & dark.ahead(3) & dark.ahead(4) &
                           light.ahead(5) & dark.ahead(6);
    if (finder.any()) {
        const Line<W> before =
            light.behind(1) & light.behind(2) & light.behind(3) & light.behind(4);
        const Line<W> after = light.ahead(7) & light.ahead(8) & light.ahead(9) & light.ahead(10);
        penalty += kPenaltyFinder * (finder & (before | after)).count();
    }
    return penalty;
}

// Rules 1 to 3 over all rows and columns, and the dark modules counted.
template <int W>
int linePenalties(const QrPenaltyPlanes &p, int n, const QrLine &pairLine, int &dark)
{
    const Line<W> pairs = Line<W>::of(pairLine);
    int penalty = 0;
    Line<W> top = Line<W>::of(p.rows[0]);
    for (int i = 0; i < n; ++i) {
        penalty += linePenalty(top, pairs) + linePenalty(Line<W>::of(p.columns[i]), pairs);
        dark += top.count();
        if (i + 1 < n) {
            const Line<W> bottom = Line<W>::of(p.rows[i + 1]);
            const Line<W> blocks =
                ~(top ^ top.ahead(1)) & ~(bottom ^ bottom.ahead(1)) & ~(top ^ bottom) & pairs;
            penalty += kPenaltyBlock * blocks.count();
            top = bottom;
        }
    }
    return penalty;
}

} // namespace

void qrPreparePenalty(const QrSymbol &s, QrPenaltyPlanes &p)
{
    const int n = s.size;
    for (int i = 0; i < n; ++i) {
        p.dataRows[i] = p.freeRows[i] = p.fixedRows[i] = QrLine{};
        p.dataColumns[i] = p.freeColumns[i] = p.fixedColumns[i] = QrLine{};
    }
    for (int x = 0; x < n; ++x) {
        for (int y = 0; y < n; ++y) {
            const uint8_t m = s.modules[x][y];
            const bool function = (m & kQrModuleFunction) != 0;
            const bool data = !function && (m & kQrModuleData);
            const bool fixed = function && (m & kQrModuleFunctionDark);
            setBit(p.dataRows[y], x, data);
            setBit(p.dataColumns[x], y, data);
            setBit(p.freeRows[y], x, !function);
            setBit(p.freeColumns[x], y, !function);
            setBit(p.fixedRows[y], x, fixed);
            setBit(p.fixedColumns[x], y, fixed);
        }
    }
}

int qrMaskPenalty(const QrSymbol &s, QrPenaltyPlanes &p, int mask)
{
    const int n = s.size;
    const MaskLines &masks = maskLines();
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < 3; ++j) {
            p.rows[i].w[j] = p.fixedRows[i].w[j] |
                             ((p.dataRows[i].w[j] ^ masks.rows[mask][i].w[j]) & p.freeRows[i].w[j]);
            p.columns[i].w[j] =
                p.fixedColumns[i].w[j] |
                ((p.dataColumns[i].w[j] ^ masks.columns[mask][i].w[j]) & p.freeColumns[i].w[j]);
        }
    }
    QrFormatModule format[kQrFormatModuleCount];
    qrFormatModules(s, mask, format);
    for (const QrFormatModule &f : format) {
        setBit(p.rows[f.y], f.x, f.dark);
        setBit(p.columns[f.x], f.y, f.dark);
    }

    const QrLine pairs = span(0, n - 1); // modules that have a next one inside the symbol
    const int words = (n + 8 + 63) / 64; // bits up to n + 7, where the finder look-ahead ends
    int dark = 0;
    int penalty = words == 1   ? linePenalties<1>(p, n, pairs, dark)
                  : words == 2 ? linePenalties<2>(p, n, pairs, dark)
                               : linePenalties<3>(p, n, pairs, dark);
    penalty += kPenaltyBalance * (std::abs(50 - dark * 100 / (n * n)) / 5);
    return penalty;
}
