#pragma once

#include "KorvalTextLayout.h"
#include "korval.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// One TrueType text line as the export receives it.
struct TrueTypeLine
{
    int x = 0;
    int y = 0;
    int height = 0;
    int width = 0;
    const char *face = nullptr;
    int orientation = 1;
    int weight = 0;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    const char *text = nullptr;
};

// The line rendered into its label bitmap: set bits are paper, rows bitmapWidth / 8 bytes.
struct RenderedLine
{
    TextPlacement placement;
    int textWidth = 0; // measured extent before rounding and rotation
    int textHeight = 0;
    std::vector<uint8_t> bits;
};

constexpr int kTextNoDeviceContext =
    KORVAL_ERR_TEXT_FONT; // no font machinery, or no usable orientation
constexpr int kTextNoMemory = KORVAL_ERR_TEXT_TOO_LARGE;
constexpr size_t kTextMaxBitmapBytes = 16u * 1024u * 1024u; // far beyond any label

// Measures, lays out and draws the line. Returns 0, kTextNoDeviceContext (also for an
// orientation outside 1...8) or kTextNoMemory (a bitmap beyond kTextMaxBitmapBytes or
// beyond the 16-bit sizes of a PCX header).
int renderTrueTypeLine(const TrueTypeLine &line, RenderedLine &out);
