// The first three bytes choose level, version and mask (some out of range on purpose),
// the fourth rotation and magnification; the rest is the data.
#include "KorvalQr.h"
#include "KorvalQrBitmap.h"

#include <cstdlib>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    const int level = data[0] % 6 - 1;
    const int version = data[1] % 43 - 1;
    const int mask = data[2] % 11 - 1;
    const std::string text(reinterpret_cast<const char *>(data + 4), size - 4);
    static QrSymbol *symbol = new QrSymbol; // reused: large, and leak-free by being static
    if (!encodeQrSymbol(*symbol, level, version, mask, text.c_str()))
        return 0;
    const bool argumentsValid =
        level >= 0 && level <= 3 && version >= 0 && version <= 40 && mask >= 0 && mask <= 8;
    if (!argumentsValid || symbol->size != 4 * symbol->version + 17 || symbol->mask > 7 ||
        (version != 0 && symbol->version != version))
        std::abort();
    QrBitmap bitmap;
    packQrBitmap(*symbol, data[3] & 3, (data[3] >> 2) % 5, bitmap);
    if (bitmap.bits.size() != static_cast<size_t>(bitmap.bytesPerRow) * bitmap.rows)
        std::abort();
    return 0;
}
