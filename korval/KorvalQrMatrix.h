#pragma once

#include "KorvalQr.h"

// The matrix stages of the encoder, in the order it runs them.

// Clears the matrix and draws finders, separators, timing, alignment patterns, the dark
// module, and the version information; reserves the format areas.
void qrPlaceFunctionPatterns(QrSymbol &symbol);

// Places symbol.codewords in the two-column zigzag from the bottom-right corner.
void qrPlaceCodewords(QrSymbol &symbol, int codewordCount);

// Writes the 15 format bits (level and mask) into both copies.
void qrWriteFormatInfo(QrSymbol &symbol, int mask);

// Penalty score of the symbol as it would look with mask applied (format included).
int qrMaskPenalty(QrSymbol &symbol, int mask);

// Flips the data modules under mask and reduces the matrix to 1 = dark, 0 = light.
void qrApplyMaskAndReduce(QrSymbol &symbol, int mask);
