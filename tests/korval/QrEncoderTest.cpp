#include "KorvalQr.h"
#include "KorvalTestTools.h"
#include "QrCorpus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<QrSymbol> encode(const QByteArray &data, int level, int version = 0,
                                 int mask = kQrMaskAutomatic)
{
    auto symbol = std::make_unique<QrSymbol>();
    if (!encodeQrSymbol(*symbol, level, version, mask, data.constData()))
        return nullptr;
    return symbol;
}

// The segments as "N8 A3 B5" (mode letter and byte length).
std::string segmentsOf(const QrSymbol &symbol)
{
    static const char kLetters[] = {'N', 'A', 'B', 'K'};
    std::string out;
    for (int i = symbol.segments.first(); i >= 0; i = symbol.segments.at(i).next) {
        const QrSegment &s = symbol.segments.at(i);
        if (!out.empty())
            out += ' ';
        out += kLetters[static_cast<int>(s.mode)] + std::to_string(s.length);
    }
    return out;
}

// The masked matrix as rows of '#' and '.', for failure messages.
std::string matrixText(const std::vector<std::string> &rows)
{
    std::string out;
    for (const std::string &row : rows)
        out += row + '\n';
    return out;
}

std::vector<std::string> rowsOf(const QrSymbol &symbol)
{
    std::vector<std::string> rows(symbol.size, std::string(symbol.size, '.'));
    for (int y = 0; y < symbol.size; ++y) {
        for (int x = 0; x < symbol.size; ++x)
            rows[y][x] = symbol.isDark(x, y) ? '#' : '.';
    }
    return rows;
}

// ---- The penalty, computed the slow and obvious way from the finished matrix.

int referencePenalty(const QrSymbol &s)
{
    const int n = s.size;
    auto dark = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= n || y >= n)
            return false; // the quiet zone
        return s.isDark(x, y);
    };
    int penalty = 0;
    for (int horizontal = 0; horizontal < 2; ++horizontal) {
        auto at = [&](int line, int k) {
            return horizontal ? dark(k, line) : dark(line, k);
        };
        for (int line = 0; line < n; ++line) {
            for (int k = 0; k < n;) {
                int end = k;
                while (end < n && at(line, end) == at(line, k))
                    ++end;
                if (end - k >= 5)
                    penalty += end - k - 2;
                k = end;
            }
            static const bool kFinder[7] = {true, false, true, true, true, false, true};
            for (int k = 0; k + 7 <= n; ++k) {
                bool match = true;
                for (int i = 0; i < 7; ++i)
                    match = match && at(line, k + i) == kFinder[i];
                bool lightBefore = true;
                bool lightAfter = true;
                for (int i = 1; i <= 4; ++i) {
                    lightBefore = lightBefore && !at(line, k - i);
                    lightAfter = lightAfter && !at(line, k + 6 + i);
                }
                if (match && (lightBefore || lightAfter))
                    penalty += 40;
            }
        }
    }
    int darkCount = 0;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            darkCount += dark(x, y);
            if (x + 1 < n && y + 1 < n && dark(x, y) == dark(x + 1, y) &&
                dark(x, y) == dark(x, y + 1) && dark(x, y) == dark(x + 1, y + 1))
                penalty += 3;
        }
    }
    penalty += 10 * (std::abs(50 - darkCount * 100 / (n * n)) / 5);
    return penalty;
}

// ---- The qrencode tool's matrix and the mask it chose, read from its format bits.

struct ReferenceMatrix
{
    std::vector<std::string> rows;
    int mask = -1;
};

ReferenceMatrix qrencodeMatrix(const QByteArray &data, int level, int version, bool kanji)
{
    const char *levelNames[] = {"L", "M", "Q", "H"};
    QStringList args{"-t", "ASCII",          "-m", "0", "-v", QString::number(version),
                     "-l", levelNames[level]};
    if (kanji)
        args << "-k";
    const QList<QByteArray> lines = runTool("qrencode", args, data).split('\n');
    ReferenceMatrix ref;
    for (const QByteArray &line : lines) {
        if (line.isEmpty())
            continue;
        std::string row;
        for (int i = 0; i + 1 < line.size() || i < line.size(); i += 2)
            row += line[i] == '#' ? '#' : '.';
        ref.rows.push_back(row);
    }
    const int n = static_cast<int>(ref.rows.size());
    for (std::string &row : ref.rows)
        row.resize(n, '.'); // trailing light modules may be trimmed
    if (n < 21)
        return ref;
    // First format copy: bits 0-5 down column 8, then (8,7), (8,8), (7,8), 9-14 along row 8.
    auto bit = [&](int x, int y) {
        return ref.rows[y][x] == '#' ? 1 : 0;
    };
    int format = 0;
    for (int i = 0; i <= 5; ++i)
        format |= bit(8, i) << i;
    format |= bit(8, 7) << 6 | bit(8, 8) << 7 | bit(7, 8) << 8;
    for (int i = 9; i < 15; ++i)
        format |= bit(14 - i, 8) << i;
    ref.mask = ((format ^ 0x5412) >> 10) & 7;
    return ref;
}

} // namespace

TEST(QrEncoder, EdgeCasesOfVersionAndMode)
{
    auto digits = encode("12345678", kQrLevelM);
    ASSERT_TRUE(digits);
    EXPECT_EQ(digits->version, 1);
    EXPECT_EQ(digits->size, 21);
    EXPECT_EQ(segmentsOf(*digits), "N8");

    auto hello = encode("HELLO WORLD", kQrLevelQ);
    ASSERT_TRUE(hello);
    EXPECT_EQ(hello->version, 1);
    EXPECT_EQ(segmentsOf(*hello), "A11");

    auto lower = encode("hello world", kQrLevelM);
    ASSERT_TRUE(lower);
    EXPECT_EQ(segmentsOf(*lower), "B11");

    // 20 digits need version 2 at level H (version 1-H holds 17).
    const QByteArray twenty = "12345678901234567890";
    EXPECT_FALSE(encode(twenty, kQrLevelH, 1));
    auto automatic = encode(twenty, kQrLevelH);
    ASSERT_TRUE(automatic);
    EXPECT_EQ(automatic->version, 2);

    auto forced = encode(twenty, kQrLevelH, 5);
    ASSERT_TRUE(forced);
    EXPECT_EQ(forced->version, 5);
    EXPECT_EQ(forced->size, 37);
}

TEST(QrEncoder, RejectsBadArguments)
{
    auto owned = std::make_unique<QrSymbol>();
    QrSymbol &symbol = *owned;
    EXPECT_FALSE(encodeQrSymbol(symbol, kQrLevelM, 0, kQrMaskAutomatic, ""));
    EXPECT_FALSE(encodeQrSymbol(symbol, kQrLevelM, 0, kQrMaskAutomatic, nullptr));
    EXPECT_FALSE(encodeQrSymbol(symbol, -1, 0, 0, "A"));
    EXPECT_FALSE(encodeQrSymbol(symbol, 4, 0, 0, "A"));
    EXPECT_FALSE(encodeQrSymbol(symbol, kQrLevelL, 0, 9, "A"));
    EXPECT_FALSE(encodeQrSymbol(symbol, kQrLevelL, 0, -1, "A"));
    EXPECT_FALSE(encodeQrSymbol(symbol, kQrLevelL, 41, 0, "A"));
    EXPECT_FALSE(encodeQrSymbol(symbol, kQrLevelL, -1, 0, "A"));
    EXPECT_TRUE(encodeQrSymbol(symbol, kQrLevelL, 40, 7, "A"));
}

// The cost model: which neighbouring runs merge and which stay apart.
TEST(QrEncoder, SegmentsFollowTheCostModel)
{
    struct Case
    {
        const char *data;
        const char *segments;
    };
    const Case cases[] = {
        {"A1", "A2"},                            // numeric folded into alphanumeric
        {"1234567890ABCDEFGHIJ", "N10 A10"},     // both long enough to stay apart
        {"a1b", "B3"},                           // a digit between bytes joins them
        {"ab1A", "B4"},                          // pass 1 makes "1A" one run, pass 2 folds it
        {"abc0123456789012345xyz", "B3 N16 B3"}, // a long digit run keeps its own mode
        {"\x93\xfa\x96\x7b", "K4"},              // two Shift JIS kanji
        {"\x93\xfa\x96\x7b"
         "1",
         "B5"}, // two kanji and a digit: cheaper as bytes
        {"\x93\xfa\x96\x7b\x8c\xea\x88\x9f"
         "1",
         "K8 N1"},
        {"x\x93", "B2"}, // a lead byte at the end is a byte
    };
    for (const Case &c : cases) {
        auto symbol = encode(c.data, kQrLevelL);
        ASSERT_TRUE(symbol) << c.data;
        EXPECT_EQ(segmentsOf(*symbol), c.segments) << c.data;
    }
}

TEST(QrEncoder, LongestDataEachLevelTakesAtVersion40)
{
    for (int level = 0; level < 4; ++level) {
        for (char mode : {'N', 'A', 'B', 'K'}) {
            const int capacity = qrVersion40Capacity(mode, level);
            const QByteArray data = qrSampleData(mode, capacity, level);
            auto symbol = encode(data, level);
            ASSERT_TRUE(symbol) << mode << " level " << level;
            EXPECT_EQ(symbol->version, 40);
            EXPECT_EQ(symbol->size, 177);
            EXPECT_FALSE(encode(qrSampleData(mode, capacity + 1, level), level))
                << mode << " level " << level;
        }
    }
}

TEST(QrEncoder, AutomaticMaskHasTheLowestPenalty)
{
    const struct
    {
        QByteArray data;
        int level;
        int version;
    } cases[] = {
        {"12345678", kQrLevelM, 0},
        {"HELLO WORLD", kQrLevelQ, 0},
        {"https://example.com/a?b=c", kQrLevelH, 0},
        {qrSampleData('B', 120, 3), kQrLevelL, 7}, // version information present
        {qrSampleData('X', 40, 5), kQrLevelM, 12},
        {"0", kQrLevelL, 1},
        // Lines longer than 60 and 124 modules span two and three words of the bit planes.
        {qrSampleData('A', 200, 9), kQrLevelQ, 14},
        {qrSampleData('N', 900, 11), kQrLevelH, 27},
        {qrSampleData('B', 1200, 13), kQrLevelL, 40},
    };
    for (const auto &c : cases) {
        int scores[8];
        for (int mask = 0; mask < 8; ++mask) {
            auto fixed = encode(c.data, c.level, c.version, mask);
            ASSERT_TRUE(fixed);
            EXPECT_EQ(fixed->mask, mask);
            scores[mask] = referencePenalty(*fixed);
        }
        auto chosen = encode(c.data, c.level, c.version);
        ASSERT_TRUE(chosen);
        for (int mask = 0; mask < 8; ++mask)
            EXPECT_EQ(chosen->penalties[mask], scores[mask])
                << c.data.constData() << " mask " << mask;
        int best = 0;
        for (int mask = 1; mask < 8; ++mask) {
            if (scores[mask] < scores[best])
                best = mask;
        }
        EXPECT_EQ(chosen->mask, best)
            << c.data.constData() << " scores " << scores[0] << ' ' << scores[1] << ' ' << scores[2]
            << ' ' << scores[3] << ' ' << scores[4] << ' ' << scores[5] << ' ' << scores[6] << ' '
            << scores[7];
    }
}

// Single-segment data at every version and level: the module matrix equals the one the
// qrencode tool makes at the same version, level and mask.
TEST(QrEncoder, MatrixMatchesQrencode)
{
    const char modes[] = {'N', 'L', 'B', 'K'};
    int compared = 0;
    for (int version = 1; version <= 40; ++version) {
        for (int level = 0; level < 4; ++level) {
            const char mode = modes[(version + level) % 4];
            const int bits = qrVersionInfo(version).levels[level].dataCodewords * 8 - 20;
            const int perChar = mode == 'N' ? 4 : (mode == 'L' ? 6 : (mode == 'B' ? 8 : 13));
            const QByteArray data = qrSampleData(mode, bits / perChar * 2 / 3 + 1, version);
            const ReferenceMatrix ref = qrencodeMatrix(data, level, version, mode == 'K');
            ASSERT_EQ(static_cast<int>(ref.rows.size()), 4 * version + 17)
                << "qrencode chose another version for " << version << " level " << level;
            auto symbol = encode(data, level, version, ref.mask);
            ASSERT_TRUE(symbol) << version << " level " << level;
            ASSERT_EQ(segmentsOf(*symbol).find(' '), std::string::npos)
                << segmentsOf(*symbol) << " " << data.constData();
            const std::vector<std::string> ours = rowsOf(*symbol);
            ASSERT_EQ(ours, ref.rows) << "version " << version << " level " << level << " mode "
                                      << mode << " mask " << ref.mask << "\nours:\n"
                                      << matrixText(ours) << "qrencode:\n"
                                      << matrixText(ref.rows);
            ++compared;
        }
    }
    EXPECT_EQ(compared, 160);
}
