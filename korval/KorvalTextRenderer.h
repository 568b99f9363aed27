#pragma once

#include <cstdint>
#include <memory>

// The font a text line is drawn with, in the terms of the Windows font request: the
// height is the character cell (ascent + descent) when positive and the em size when
// negative; width 0 keeps the face's natural width, otherwise it is the average
// character width; weight 100...900; escapement in tenths of a degree counter-clockwise.
struct TextFontRequest
{
    int height = 0;
    int width = 0;
    const char *face = nullptr;
    int escapement = 0; // 0, 900, 1800 or 2700
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

// Renders one line of text into a 1-bit bitmap whose set bits are paper: the platform's
// font machinery behind the names the library uses. Text is UTF-8, or Windows-1252 when
// it is not valid UTF-8. One renderer per call; not shared between threads.
class KorvalTextRenderer
{
public:
    KorvalTextRenderer();
    ~KorvalTextRenderer();
    KorvalTextRenderer(const KorvalTextRenderer &) = delete;
    KorvalTextRenderer &operator=(const KorvalTextRenderer &) = delete;

    // Chooses the face (a face that is not installed gives the one substituted for it)
    // and sizes it. False when the font machinery cannot start or no face can be loaded.
    bool open(const TextFontRequest &request);

    // The text's extent before rotation: the sum of the advances, and the cell height.
    void measure(const char *text, int &width, int &height);

    // Draws the text with the top-left corner of its cell at (originX, originY), rotated
    // by the escapement about that corner, clearing the bits of ink. Rows of the bitmap
    // are bitmapWidth / 8 bytes, top row first; ink outside the bitmap is dropped.
    void draw(const char *text, uint8_t *bits, int bitmapWidth, int bitmapHeight, int originX,
              int originY);

private:
    struct Private;
    std::unique_ptr<Private> d; // owned; holds the face and the scaled metrics
};
