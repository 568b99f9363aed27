#pragma once

#include "korval.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Conversion of Windows BMP files (1 and 24 bits per pixel) to the printer's PCX.
// BMP files come from outside: every size and offset is checked against the file before
// anything is read, so a truncated or hostile file is rejected and never over-read.

constexpr int kBmpCannotRead = KORVAL_ERR_BMP_READ; // cannot be opened, truncated or malformed
constexpr int kBmpUnsupportedFormat =
    KORVAL_ERR_BMP_FORMAT; // neither 1 nor 24 bits per pixel, or compressed
constexpr int kBmpPcxWriteFailed = KORVAL_ERR_BMP_PCX_FILE; // the ".pcx" file cannot be written

constexpr int kBmpMaxDimension = 65535; // PCX sizes are 16-bit fields
constexpr size_t kBmpMaxFileSize = 256u * 1024u * 1024u;

// Rotation codes: 1 = 90 degrees clockwise, 2 = 180, 3 = 90 counter-clockwise, other = none.
// Converts the BMP bytes to a whole PCX file (header and data). Returns 0 or a code.
int convertBmpBytesToPcx(const uint8_t *bmp, size_t size, int rotation, std::vector<uint8_t> &pcx);

// Converts the file at bmpPath and writes bmpPath + ".pcx" beside it. Returns 0 or a code.
int convertBmpToPcx(const char *bmpPath, int rotation);
