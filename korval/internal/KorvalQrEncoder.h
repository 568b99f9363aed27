#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// korval's QR encoder as the label interpreter sees it: the symbol that the printer-side QR
// command prints, as a plain matrix of modules. Nothing else of the encoder (its symbol
// record, tables and mask scoring) is reachable from here, and none of it is exported by
// the shared library.

// Dots per module side: larger values, and values below 1, mean 1.
constexpr int kQrMaxMagnification = 99;

// The modules of one symbol as printed, rows top first. The owner is whoever holds it.
struct QrModuleMatrix
{
    int size = 0;              // modules per side
    std::vector<uint8_t> dark; // size * size entries, 1 for a dark module

    bool isDark(int column, int row) const
    {
        return dark[static_cast<size_t>(row) * size + column] != 0;
    }
};

// Encodes NUL-terminated data at level 0...3 (L, M, Q, H) in the smallest version that
// holds it, with mask 0...7 as given or 8 for the lowest penalty, and turns the symbol by
// rotation as the printer does (1 = 90 degrees clockwise, 2 = 180, 3 = 90
// counter-clockwise, other values none). Returns false, with out empty, for data that
// cannot be encoded at that level and mask.
bool encodeQrModules(const char *data, int level, int mask, int rotation, QrModuleMatrix &out);
