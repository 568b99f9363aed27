#pragma once

#include <cstdint>

// The PCX file layout that korval writes and the label interpreter reads back: byte
// offsets into the 128-byte header (16-bit fields are little-endian) and the run-length
// coding of the image data that follows it.

constexpr int kPcxHeaderSize = 128;

constexpr int kPcxManufacturerAt = 0;  // always kPcxManufacturer
constexpr int kPcxVersionAt = 1;       // format version (2 or 5 as korval writes it)
constexpr int kPcxEncodingAt = 2;      // kPcxRunLengthEncoding: the only coding there is
constexpr int kPcxBitsPerPixelAt = 3;  // bits of one pixel in one plane
constexpr int kPcxXMinAt = 4;          // 16-bit: left column of the image window
constexpr int kPcxYMinAt = 6;          // 16-bit: top row of the image window
constexpr int kPcxXMaxAt = 8;          // 16-bit: right column, inclusive (width - 1 from 0)
constexpr int kPcxYMaxAt = 10;         // 16-bit: bottom row, inclusive (height - 1 from 0)
constexpr int kPcxPaletteAt = 16;      // the 16-colour palette, red, green, blue triples
constexpr int kPcxPlanesAt = 65;       // colour planes
constexpr int kPcxBytesPerLineAt = 66; // 16-bit: decoded bytes of one row of one plane
constexpr int kPcxPaletteInfoAt = 68;  // 16-bit: 1 for colour or black and white

constexpr uint8_t kPcxManufacturer = 10;     // the PCX file mark
constexpr uint8_t kPcxRunLengthEncoding = 1; // the encoding byte of run-length data

// A data byte with both top bits set (kPcxRunMarker) is a count in its low six bits
// (kPcxRunCountMask), and the next byte is the value repeated that many times.
constexpr uint8_t kPcxRunMarker = 0xC0;
constexpr uint8_t kPcxRunCountMask = 0x3F;
constexpr int kPcxMaxRun = 63; // longest run one count byte can hold (0xC0 + 63)
