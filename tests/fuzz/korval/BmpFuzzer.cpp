// Arbitrary bytes as a BMP file; the rotation code comes from the file's length.
#include "KorvalBmp.h"
#include "KorvalPcx.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<uint8_t> pcx;
    const int result = convertBmpBytesToPcx(data, size, static_cast<int>(size % 5), pcx);
    if (result != 0 && result != kBmpCannotRead && result != kBmpUnsupportedFormat)
        std::abort();
    if (result == 0 && pcx.size() < static_cast<size_t>(kPcxHeaderSize))
        std::abort();
    return 0;
}
