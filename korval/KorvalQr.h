#pragma once

#include "KorvalQrPenalty.h"
#include "KorvalQrSegments.h"
#include "KorvalQrTables.h"

#include <cstdint>

// Mask value that asks the encoder to choose the mask with the lowest penalty.
constexpr int QrMaskAutomatic = 8;

// Flags of one module while the symbol is built. A module is dark when its data bit or
// its function-pattern dark bit is set; after encoding every module is 1 (dark) or 0.
constexpr uint8_t QrModuleData = 0x01;
constexpr uint8_t QrModuleFunctionDark = 0x10;
constexpr uint8_t QrModuleFunction = 0x20; // finder, timing, alignment, format, version

// One QR code symbol (ISO/IEC 18004, model 2) being encoded. Fixed arrays sized for
// version 40; the caller owns it (it is large, so allocate it on the heap).
struct QrSymbol
{
    int level = 0;   // 0 = L, 1 = M, 2 = Q, 3 = H
    int version = 0; // 1...40 once encoded
    int mask = 0;    // 0...7 once encoded
    int size = 0;    // modules per side, 4 * version + 17
    int bitCount = 0;
    uint8_t bits[QrMaxDataBytes];                // data bit stream, most significant bit first
    uint8_t codewords[QrMaxCodewords];           // interleaved data and error correction
    uint8_t modules[QrMaxModules][QrMaxModules]; // [column][row]
    QrSegmentList segments;
    QrPenaltyPlanes planes; // working bit planes of the automatic mask choice
    int penalties[8] = {};  // scores of the eight masks when the mask was chosen automatically

    bool isDark(int column, int row) const { return modules[column][row] != 0; }
};

// Encodes NUL-terminated data at level 0...3. version 0 takes the smallest version that
// fits, 1...40 forces one (failing when the data needs a larger one); mask 0...7 is
// used as given, 8 picks the lowest penalty. Returns false for empty data, data too long
// for the level, a version too small, or a level, version or mask out of range.
bool encodeQrSymbol(QrSymbol &symbol, int level, int version, int mask, const char *data);
