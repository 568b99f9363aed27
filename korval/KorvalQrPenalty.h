#pragma once

struct QrSymbol;
struct QrPenaltyPlanes;

// Fills the planes from the symbol's matrix after the codewords are placed.
void qrPreparePenalty(const QrSymbol &symbol, QrPenaltyPlanes &planes);

// The penalty score of the symbol with the mask and its format information: runs of five
// or more, 2 x 2 blocks, finder look-alikes with four light modules beside them (outside
// the symbol is light) and the dark share.
int qrMaskPenalty(const QrSymbol &symbol, QrPenaltyPlanes &planes, int mask);
