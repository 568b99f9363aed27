#include "KorvalQrBitmap.h"

#include "KorvalQrEncoder.h"
#include "KorvalQrSymbol.h"

#include <algorithm>

void packQrBitmap(const QrSymbol &symbol, int rotation, int magnification, QrBitmap &out)
{
    const int m = magnification < 1 || magnification > kQrMaxMagnification ? 1 : magnification;
    const int dots = symbol.size * m;
    out.bytesPerRow = (dots + 7) / 8;
    out.rows = dots;
    out.bits.assign(static_cast<size_t>(out.bytesPerRow) * out.rows, 0);
    for (int row = 0; row < symbol.size; ++row) {
        uint8_t *first = &out.bits[static_cast<size_t>(row) * m * out.bytesPerRow];
        for (int column = 0; column < symbol.size; ++column) {
            if (!symbol.isTurnedDark(rotation, column, row))
                continue;
            for (int x = column * m; x < (column + 1) * m; ++x)
                first[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
        // The other dot rows of this module row are copies of the first.
        for (int k = 1; k < m; ++k)
            std::copy(first, first + out.bytesPerRow,
                      first + static_cast<size_t>(k) * out.bytesPerRow);
    }
}
