#pragma once

#include <cstdint>

// The PCX file layout that korval writes and the label interpreter reads back: byte
// offsets into the 128-byte header (16-bit fields are little-endian) and the run-length
// coding of the image data that follows it.

constexpr int PcxHeaderSize = 128;

constexpr int PcxManufacturerAt = 0;  // always PcxManufacturer
constexpr int PcxVersionAt = 1;       // format version (2 or 5 as korval writes it)
constexpr int PcxEncodingAt = 2;      // PcxRunLengthEncoding: the only coding there is
constexpr int PcxBitsPerPixelAt = 3;  // bits of one pixel in one plane
constexpr int PcxXMinAt = 4;          // 16-bit: left column of the image window
constexpr int PcxYMinAt = 6;          // 16-bit: top row of the image window
constexpr int PcxXMaxAt = 8;          // 16-bit: right column, inclusive (width - 1 from 0)
constexpr int PcxYMaxAt = 10;         // 16-bit: bottom row, inclusive (height - 1 from 0)
constexpr int PcxPaletteAt = 16;      // the 16-colour palette, red, green, blue triples
constexpr int PcxPlanesAt = 65;       // colour planes
constexpr int PcxBytesPerLineAt = 66; // 16-bit: decoded bytes of one row of one plane
constexpr int PcxPaletteInfoAt = 68;  // 16-bit: 1 for colour or black and white

constexpr uint8_t PcxManufacturer = 10;     // the PCX file mark
constexpr uint8_t PcxRunLengthEncoding = 1; // the encoding byte of run-length data

// A data byte with both top bits set (PcxRunMarker) is a count in its low six bits
// (PcxRunCountMask), and the next byte is the value repeated that many times.
constexpr uint8_t PcxRunMarker = 0xC0;
constexpr uint8_t PcxRunCountMask = 0x3F;
constexpr int PcxMaxRun = 63; // longest run one count byte can hold (0xC0 + 63)
