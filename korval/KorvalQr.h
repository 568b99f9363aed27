#pragma once

#include "KorvalQrSymbol.h"

// Mask value that asks the encoder to choose the mask with the lowest penalty.
constexpr int kQrMaskAutomatic = 8;

// Encodes NUL-terminated data at level 0...3. version 0 takes the smallest version that
// fits, 1...40 forces one (failing when the data needs a larger one); mask 0...7 is
// used as given, 8 picks the lowest penalty. Returns false for empty data, data too long
// for the level, a version too small, or a level, version or mask out of range.
bool encodeQrSymbol(QrSymbol &symbol, int level, int version, int mask, const char *data);
