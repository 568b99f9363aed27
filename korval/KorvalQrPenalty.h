#pragma once

#include "KorvalQrTables.h"

#include <cstdint>

struct QrSymbol;

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
    QrLine dataRows[QrMaxModules];  // data modules that are dark before masking
    QrLine freeRows[QrMaxModules];  // modules the mask applies to (not function patterns)
    QrLine fixedRows[QrMaxModules]; // dark function modules, format areas light
    QrLine dataColumns[QrMaxModules];
    QrLine freeColumns[QrMaxModules];
    QrLine fixedColumns[QrMaxModules];
    QrLine rows[QrMaxModules]; // the symbol under the mask being scored
    QrLine columns[QrMaxModules];
};

// Fills the planes from the symbol's matrix after the codewords are placed.
void qrPreparePenalty(const QrSymbol &symbol, QrPenaltyPlanes &planes);

// The penalty score of the symbol with the mask and its format information: runs of five
// or more, 2 x 2 blocks, finder look-alikes with four light modules beside them (outside
// the symbol is light) and the dark share.
int qrMaskPenalty(const QrSymbol &symbol, QrPenaltyPlanes &planes, int mask);
