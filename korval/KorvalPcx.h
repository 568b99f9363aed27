#pragma once

#include "KorvalPcxLayout.h"
#include "korval.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// PCX files as the printer stores them: a 128-byte header and run-length encoded rows of
// one bit per pixel, where a set bit is paper and a clear bit is ink. The header's layout
// is in KorvalPcxLayout.h, shared with the label interpreter's reader.

constexpr uint8_t kPcxVersionTextRenderer = 5;
constexpr uint8_t kPcxVersionBmpConversion = 2;
constexpr int kPcxPaletteEntries = 16;       // the header's 16-colour palette, RGB triples
constexpr int kPcxEncodedRowCapacity = 1024; // room for one encoded row of the text renderer

struct PcxHeaderFields
{
    uint8_t version = kPcxVersionTextRenderer;
    int width = 0;
    int height = 0;
    int bytesPerLine = 0;
    const uint8_t *paletteRgb = nullptr; // paletteEntries red, green, blue triples
    int paletteEntries = 0;
};

// Fills the 128 header bytes; 16-bit fields are little-endian.
void makePcxHeader(uint8_t *header, const PcxHeaderFields &fields);

// The text renderer's encoder for one row: runs of 2 to 63 as 0xC0 + length and the
// value, a single byte above 63 as 0xC1 and the value, other single bytes unchanged.
// Returns the encoded length, or -1 when it would exceed capacity.
int encodePcxRow(const uint8_t *row, int length, uint8_t *out, int capacity);

// The BMP conversion's encoder for a whole image of height rows of rowLength bytes: runs
// end at 63 and at row ends; only single bytes of 192 and above are escaped. Appends.
void encodeBmpPcx(const uint8_t *image, int rowLength, int height, std::vector<uint8_t> &out);

// Codes of writing a text bitmap as a PCX file.
constexpr int kPcxFileCreateFailed = KORVAL_ERR_PCX_CREATE;
constexpr int kPcxRowTooLong = KORVAL_ERR_PCX_ROW_TOO_LONG;

// Writes a text-renderer PCX file (version 5, no palette) of a 1-bit bitmap whose rows are
// width / 8 bytes. Returns 0, kPcxFileCreateFailed, or kPcxRowTooLong (the file is then
// removed). A file written only in part is removed too.
int writeBitmapPcxFile(const char *path, const uint8_t *bits, int width, int height);
