#pragma once

#include "KorvalQrSegments.h"
#include "KorvalQrTables.h"

#include <cstdint>

// The record of one QR code symbol while it is encoded, and the working planes the
// automatic mask choice scores it on. The matrix and penalty stages and the encoder
// (KorvalQr.h) all work on it.

// One row or column of the symbol as a bit set, padded with four light modules on each
// side (the quiet zone): bit k stands for module k - 4.
struct QrLine
{
    uint64_t w[3]; // 192 bits: 177 modules, 4 + 4 padding, and room to look 10 ahead
};

// The symbol split into bit planes once, so that each of the eight masks is evaluated
// with word operations on whole rows and columns.
struct QrPenaltyPlanes
{
    QrLine dataRows[kQrMaxModules];  // data modules that are dark before masking
    QrLine freeRows[kQrMaxModules];  // modules the mask applies to (not function patterns)
    QrLine fixedRows[kQrMaxModules]; // dark function modules, format areas light
    QrLine dataColumns[kQrMaxModules];
    QrLine freeColumns[kQrMaxModules];
    QrLine fixedColumns[kQrMaxModules];
    QrLine rows[kQrMaxModules]; // the symbol under the mask being scored
    QrLine columns[kQrMaxModules];
};

// Flags of one module while the symbol is built. A module is dark when its data bit or
// its function-pattern dark bit is set; after encoding every module is 1 (dark) or 0.
constexpr uint8_t kQrModuleData = 0x01;
constexpr uint8_t kQrModuleFunctionDark = 0x10;
constexpr uint8_t kQrModuleFunction = 0x20; // finder, timing, alignment, format, version

// One QR code symbol (ISO/IEC 18004, model 2) being encoded. Fixed arrays sized for
// version 40; the caller owns it (it is large, so allocate it on the heap).
struct QrSymbol
{
    int level = 0;   // 0 = L, 1 = M, 2 = Q, 3 = H
    int version = 0; // 1...40 once encoded
    int mask = 0;    // 0...7 once encoded
    int size = 0;    // modules per side, 4 * version + 17
    int bitCount = 0;
    uint8_t bits[kQrMaxDataBytes];                 // data bit stream, most significant bit first
    uint8_t codewords[kQrMaxCodewords];            // interleaved data and error correction
    uint8_t modules[kQrMaxModules][kQrMaxModules]; // [column][row]
    QrSegmentList segments;
    QrPenaltyPlanes planes; // working bit planes of the automatic mask choice
    int penalties[8] = {};  // scores of the eight masks when the mask was chosen automatically

    bool isDark(int column, int row) const { return modules[column][row] != 0; }

    // The module shown at (column, row) once the symbol is turned as the printer turns
    // it: 1 = 90 degrees clockwise, 2 = 180, 3 = 90 counter-clockwise, other values none.
    bool isTurnedDark(int rotation, int column, int row) const
    {
        const int last = size - 1;
        switch (rotation) {
        case 1: // clockwise: the left column becomes the top row
            return isDark(row, last - column);
        case 2:
            return isDark(last - column, last - row);
        case 3:
            return isDark(last - row, column);
        default:
            return isDark(column, row);
        }
    }
};
