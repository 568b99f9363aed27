#pragma once

// Size of the QR symbol the label printer builds for the identifier (model 2, level M),
// and the magnification that makes it fit the square the label reserves for it.
class OmbrixQrSize
{
public:
    // Module count per side of the smallest symbol at level M that holds byteCount bytes
    // in byte mode; 0 when no version holds them. Any other mode the printer may choose
    // packs the same text at least as tightly, so the printed symbol is never larger.
    static int moduleCount(int byteCount);

    // The largest whole number of dots per module for which modules * r fits in box
    // dots, and at least 1.
    static int magnification(int modules, int boxDots);
};
