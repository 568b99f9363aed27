#include "KorvalTextLayout.h"

namespace {

constexpr int kBitmapGranule = 16; // bitmap sides are whole multiples of 16 pixels

int roundUp16(int v)
{
    return (v + kBitmapGranule - 1) / kBitmapGranule * kBitmapGranule;
}

int clipAtZero(int v)
{
    return v < 0 ? 0 : v;
}

// Placement of the rotated codes 2, 3 and 4, which keep the text's own corner at (x, y)
// and are moved back onto the label when they would start left of or above it.
void placeCorner(int orientation, int x, int y, int w, int h, TextPlacement &p)
{
    switch (orientation) {
    case 2:
        p = {2700, h, w, h, 0, x - h, y};
        if (x - h < 0) {
            p.placeX = 0;
            p.textX = x;
            p.bitmapWidth = roundUp16(x);
        }
        break;
    case 3:
        p = {1800, w, h, w, h, x - w, y - h};
        if (x - w < 0) {
            p.placeX = 0;
            p.textX = x;
            p.bitmapWidth = roundUp16(x);
        }
        if (y - h < 0) {
            p.placeY = 0;
            p.textY = y;
            p.bitmapHeight = roundUp16(y);
        }
        break;
    default: // 4
        p = {900, h, w, 0, w, x, y - w};
        if (y - w < 0) {
            p.placeY = 0;
            p.textY = y;
            p.bitmapHeight = roundUp16(y);
        }
        break;
    }
}

} // namespace

int textEscapement(int orientation)
{
    static const int kEscapements[9] = {0, 0, 2700, 1800, 900, 0, 2700, 1800, 900};
    return orientation >= 1 && orientation <= 8 ? kEscapements[orientation] : 0;
}

bool layoutTextLine(int orientation, int x, int y, int width, int height, TextPlacement &p)
{
    const int w = roundUp16(width);
    const int h = roundUp16(height);
    switch (orientation) {
    case 1:
        p = {0, w, h, 0, 0, x, y};
        break;
    case 2:
    case 3:
    case 4:
        placeCorner(orientation, x, y, w, h, p);
        break;
    case 5:
        p = {0, w, h, 0, 0, clipAtZero(x - w / 2), clipAtZero(y - h / 2)};
        break;
    case 6:
        p = {2700, h, w, h, 0, clipAtZero(x - h / 2), clipAtZero(y - w / 2)};
        break;
    case 7:
        p = {1800, w, h, w, h, clipAtZero(x - w / 2), clipAtZero(y - h / 2)};
        break;
    case 8:
        p = {900, h, w, 0, w, clipAtZero(x - h / 2), clipAtZero(y - w / 2)};
        break;
    default:
        return false;
    }
    // A line that lies wholly off the label (or an empty one) still gets a blank graphic
    // rather than one of zero size, which the PCX header cannot describe.
    if (p.bitmapWidth < kBitmapGranule)
        p.bitmapWidth = kBitmapGranule;
    if (p.bitmapHeight < kBitmapGranule)
        p.bitmapHeight = kBitmapGranule;
    return true;
}
