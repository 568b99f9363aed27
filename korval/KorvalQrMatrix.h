#pragma once

#include "KorvalQrSymbol.h"

// The matrix stages of the encoder, in the order it runs them.

// Clears the matrix and draws finders, separators, timing, alignment patterns, the dark
// module, and the version information; reserves the format areas.
void qrPlaceFunctionPatterns(QrSymbol &symbol);

// Places symbol.codewords in the two-column zigzag from the bottom-right corner.
void qrPlaceCodewords(QrSymbol &symbol, int codewordCount);

// One module of the format information.
struct QrFormatModule
{
    int x;
    int y;
    bool dark;
};
constexpr int kQrFormatModuleCount = 30; // 15 bits, written twice

// The modules of both format copies for the symbol's level and a mask.
void qrFormatModules(const QrSymbol &symbol, int mask, QrFormatModule *out);

// Writes the 15 format bits (level and mask) into both copies.
void qrWriteFormatInfo(QrSymbol &symbol, int mask);

// Whether the mask (0...7) flips the module at column x, row y.
bool qrMaskBit(int mask, int x, int y);

// Flips the data modules under mask and reduces the matrix to 1 = dark, 0 = light.
void qrApplyMaskAndReduce(QrSymbol &symbol, int mask);
