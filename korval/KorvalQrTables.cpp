#include "KorvalQrTables.h"

#include <array>

namespace {

// Total codewords per version (ISO/IEC 18004 table 1), index 0 unused.
constexpr int kTotalCodewords[kQrMaxVersion + 1] = {
    0,    26,   44,   70,   100,  134,  172,  196,  242,  292,  346,  404,  466,  532,
    581,  655,  733,  815,  901,  991,  1085, 1156, 1258, 1364, 1474, 1588, 1706, 1828,
    1921, 2051, 2185, 2323, 2465, 2611, 2761, 2876, 3034, 3196, 3362, 3532, 3706};

// Error-correction codewords per block, by level L, M, Q, H (table 9).
constexpr int kEccPerBlock[kQrLevelCount][kQrMaxVersion + 1] = {
    {0,  7,  10, 15, 20, 26, 18, 20, 24, 30, 18, 20, 24, 26, 30, 22, 24, 28, 30, 28, 28,
     28, 28, 30, 30, 26, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {0,  10, 16, 26, 18, 24, 16, 18, 22, 22, 26, 30, 22, 22, 24, 24, 28, 28, 26, 26, 26,
     26, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28, 28},
    {0,  13, 22, 18, 26, 18, 24, 18, 22, 20, 24, 28, 26, 24, 20, 30, 24, 28, 28, 26, 30,
     28, 30, 30, 30, 30, 28, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30},
    {0,  17, 28, 22, 16, 22, 28, 26, 26, 24, 28, 24, 28, 22, 24, 24, 30, 28, 28, 26, 28,
     30, 24, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30}};

// Number of Reed-Solomon blocks, both groups together, by level (table 9).
constexpr int kBlockCount[kQrLevelCount][kQrMaxVersion + 1] = {
    {0, 1, 1, 1,  1,  1,  2,  2,  2,  2,  4,  4,  4,  4,  4,  6,  6,  6,  6,  7, 8,
     8, 9, 9, 10, 12, 12, 12, 13, 14, 15, 16, 17, 18, 19, 19, 20, 21, 22, 24, 25},
    {0,  1,  1,  1,  2,  2,  4,  4,  4,  5,  5,  5,  8,  9,  9,  10, 10, 11, 13, 14, 16,
     17, 17, 18, 20, 21, 23, 25, 26, 28, 29, 31, 33, 35, 37, 38, 40, 43, 45, 47, 49},
    {0,  1,  1,  2,  2,  4,  4,  6,  6,  8,  8,  8,  10, 12, 16, 12, 17, 16, 18, 21, 20,
     23, 23, 25, 27, 29, 34, 34, 35, 38, 40, 43, 45, 48, 51, 53, 56, 59, 62, 65, 68},
    {0,  1,  1,  2,  4,  4,  4,  5,  6,  8,  8,  11, 11, 16, 16, 18, 16, 19, 21, 25, 25,
     25, 34, 30, 32, 35, 37, 40, 42, 45, 48, 51, 54, 57, 60, 63, 66, 70, 74, 77, 81}};

// Alignment pattern centre coordinates (annex E), zero-terminated, index 0 unused.
constexpr uint8_t kAlignmentCentres[kQrMaxVersion + 1][kQrMaxAlignment] = {
    {},
    {},
    {6, 18},
    {6, 22},
    {6, 26},
    {6, 30},
    {6, 34},
    {6, 22, 38},
    {6, 24, 42},
    {6, 26, 46},
    {6, 28, 50},
    {6, 30, 54},
    {6, 32, 58},
    {6, 34, 62},
    {6, 26, 46, 66},
    {6, 26, 48, 70},
    {6, 26, 50, 74},
    {6, 30, 54, 78},
    {6, 30, 56, 82},
    {6, 30, 58, 86},
    {6, 34, 62, 90},
    {6, 28, 50, 72, 94},
    {6, 26, 50, 74, 98},
    {6, 30, 54, 78, 102},
    {6, 28, 54, 80, 106},
    {6, 32, 58, 84, 110},
    {6, 30, 58, 86, 114},
    {6, 34, 62, 90, 118},
    {6, 26, 50, 74, 98, 122},
    {6, 30, 54, 78, 102, 126},
    {6, 26, 52, 78, 104, 130},
    {6, 30, 56, 82, 108, 134},
    {6, 34, 60, 86, 112, 138},
    {6, 30, 58, 86, 114, 142},
    {6, 34, 62, 90, 118, 146},
    {6, 30, 54, 78, 102, 126, 150},
    {6, 24, 50, 76, 102, 128, 154},
    {6, 28, 54, 80, 106, 132, 158},
    {6, 32, 58, 84, 110, 136, 162},
    {6, 26, 54, 82, 110, 138, 166},
    {6, 30, 58, 86, 114, 142, 170}};

// Character-count indicator lengths per mode (table 3), by version group.
constexpr int kCountBits[4][3] = {{10, 12, 14}, {9, 11, 13}, {8, 16, 16}, {8, 10, 12}};

// The 45 characters of alphanumeric mode, in value order.
constexpr char kAlphanumericCharset[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";

// Splits the blocks into the short first group and the one-codeword-longer second group.
QrLevelLayout makeLevelLayout(int version, int level)
{
    const int total = kTotalCodewords[version];
    const int ecc = kEccPerBlock[level][version];
    const int blocks = kBlockCount[level][version];
    const int longBlocks = total % blocks;
    const int shortLength = total / blocks;
    QrLevelLayout layout{};
    layout.eccPerBlock = ecc;
    layout.dataCodewords = total - ecc * blocks;
    layout.groups[0] = {blocks - longBlocks, shortLength, shortLength - ecc};
    layout.groups[1] = {longBlocks, shortLength + 1, shortLength + 1 - ecc};
    return layout;
}

std::array<QrVersionInfo, kQrMaxVersion + 1> makeVersionTable()
{
    std::array<QrVersionInfo, kQrMaxVersion + 1> table{};
    for (int version = kQrMinVersion; version <= kQrMaxVersion; ++version) {
        QrVersionInfo &info = table[version];
        info.totalCodewords = kTotalCodewords[version];
        for (int i = 0; i < kQrMaxAlignment && kAlignmentCentres[version][i] != 0; ++i) {
            info.alignment[i] = kAlignmentCentres[version][i];
            info.alignmentCount = i + 1;
        }
        for (int level = 0; level < kQrLevelCount; ++level)
            info.levels[level] = makeLevelLayout(version, level);
    }
    return table;
}

std::array<int8_t, 256> makeAlphanumericValues()
{
    std::array<int8_t, 256> values{};
    values.fill(-1);
    for (int i = 0; kAlphanumericCharset[i] != '\0'; ++i)
        values[static_cast<uint8_t>(kAlphanumericCharset[i])] = static_cast<int8_t>(i);
    return values;
}

} // namespace

const QrVersionInfo &qrVersionInfo(int version)
{
    static const std::array<QrVersionInfo, kQrMaxVersion + 1> kTable = makeVersionTable();
    return kTable[version];
}

int qrCountBits(QrMode mode, int version)
{
    const int group = version <= 9 ? 0 : (version <= 26 ? 1 : 2);
    return kCountBits[static_cast<int>(mode)][group];
}

uint32_t qrModeIndicator(QrMode mode)
{
    static constexpr uint32_t kIndicators[4] = {0x1, 0x2, 0x4, 0x8};
    return kIndicators[static_cast<int>(mode)];
}

uint32_t qrLevelFormatBits(int level)
{
    static constexpr uint32_t kBits[kQrLevelCount] = {0x1, 0x0, 0x3, 0x2};
    return kBits[level];
}

int qrAlphanumericValue(uint8_t c)
{
    static const std::array<int8_t, 256> kValues = makeAlphanumericValues();
    return kValues[c];
}
