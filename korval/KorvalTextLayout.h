#pragma once

// Where a rendered text line goes, by the orientation code 1...8 of the TrueType export.
struct TextPlacement
{
    int escapement = 0; // tenths of a degree
    int bitmapWidth = 0;
    int bitmapHeight = 0;
    int textX = 0; // origin of the text inside the bitmap
    int textY = 0;
    int placeX = 0; // where the bitmap goes on the label
    int placeY = 0;
};

// Escapement of an orientation code, 0 for codes outside 1...8.
int textEscapement(int orientation);

// Bitmap size, text origin and placement for text measured width x height at (x, y):
// sizes are rounded up to multiples of 16, rotated text is kept on the label by moving
// the bitmap to 0 where it would start left of or above the label. False for an
// orientation outside 1...8.
bool layoutTextLine(int orientation, int x, int y, int width, int height, TextPlacement &out);
