#pragma once

#include <cstdint>
#include <vector>

struct QrSymbol;

// A QR symbol as the printer's raw bitmap graphic: rows top first, leftmost dot in the
// most significant bit, a set bit printed black, each row padded to whole bytes.
struct QrBitmap
{
    int bytesPerRow = 0;
    int rows = 0;
    std::vector<uint8_t> bits;
};

// Turns the symbol (1 = 90 degrees clockwise, 2 = 180, 3 = 90 counter-clockwise, other
// values none), makes every module magnification x magnification dots (values below 1
// and above 99 mean 1) and packs it.
void packQrBitmap(const QrSymbol &symbol, int rotation, int magnification, QrBitmap &out);
