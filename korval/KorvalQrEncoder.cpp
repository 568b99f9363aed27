#include "KorvalQrEncoder.h"

#include "KorvalQr.h"

#include <memory>

bool encodeQrModules(const char *data, int level, int mask, int rotation, QrModuleMatrix &out)
{
    out = QrModuleMatrix();
    // The symbol record is sized for version 40: too large for the stack.
    auto symbol = std::make_unique<QrSymbol>();
    if (!encodeQrSymbol(*symbol, level, 0, mask, data))
        return false;
    const int size = symbol->size;
    out.size = size;
    out.dark.resize(static_cast<size_t>(size) * size);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column)
            out.dark[static_cast<size_t>(row) * size + column] =
                symbol->isTurnedDark(rotation, column, row);
    }
    return true;
}
