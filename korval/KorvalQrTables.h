#pragma once

#include <cstdint>

// Sizes of the largest QR symbol, version 40: every encoder array is fixed to these.
constexpr int kQrMinVersion = 1;
constexpr int kQrMaxVersion = 40;
constexpr int kQrMaxModules = 4 * kQrMaxVersion + 17; // 177
constexpr int kQrMaxCodewords = 3706;                 // total codewords of version 40
constexpr int kQrMaxDataBits = 23648;                 // data capacity of version 40-L in bits
constexpr int kQrMaxDataBytes = kQrMaxDataBits / 8;
constexpr int kQrMaxAlignment = 7; // alignment pattern centres per axis, version 35 and up

// Error-correction levels as the export numbers them (not as the format bits encode them).
constexpr int kQrLevelL = 0;
constexpr int kQrLevelM = 1;
constexpr int kQrLevelQ = 2;
constexpr int kQrLevelH = 3;
constexpr int kQrLevelCount = 4;

// The segment modes of the data, each with its 4-bit mode indicator.
enum class QrMode : uint8_t
{
    Numeric,
    Alphanumeric,
    Byte,
    Kanji,
};

// One group of Reed-Solomon blocks of equal length.
struct QrBlockGroup
{
    int blocks;
    int codewords;     // per block, data and error correction together
    int dataCodewords; // per block
};

// Block structure of one version at one level.
struct QrLevelLayout
{
    int eccPerBlock;
    int dataCodewords; // over all blocks
    QrBlockGroup groups[2];
};

// One row of the version table.
struct QrVersionInfo
{
    int totalCodewords;
    int alignmentCount; // 0 for version 1
    uint8_t alignment[kQrMaxAlignment];
    QrLevelLayout levels[kQrLevelCount];
};

// The row of a version 1...40.
const QrVersionInfo &qrVersionInfo(int version);

// Character-count indicator length of a mode in the version's group (1-9, 10-26, 27-40).
int qrCountBits(QrMode mode, int version);

// 4-bit mode indicator.
uint32_t qrModeIndicator(QrMode mode);

// The two format-information bits that stand for a level (L 01, M 00, Q 11, H 10).
uint32_t qrLevelFormatBits(int level);

// Value of an alphanumeric character 0...44, or -1 when it is not one.
int qrAlphanumericValue(uint8_t c);
