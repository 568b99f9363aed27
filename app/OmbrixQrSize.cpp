#include "app/OmbrixQrSize.h"

namespace {
// Data capacity in bytes of versions 1 to 40 at level M in byte mode (ISO/IEC 18004,
// table 7).
const int kByteCapacityM[40] = {14,   26,   42,   62,   84,   106,  122,  152,  180,  213,
                                251,  287,  331,  362,  412,  450,  504,  560,  624,  666,
                                711,  779,  857,  911,  997,  1059, 1125, 1190, 1264, 1370,
                                1452, 1538, 1628, 1722, 1809, 1911, 1989, 2099, 2213, 2331};
} // namespace

int OmbrixQrSize::moduleCount(int byteCount)
{
    if (byteCount < 0)
        return 0;
    for (int version = 1; version <= 40; ++version) {
        if (byteCount <= kByteCapacityM[version - 1])
            return 17 + 4 * version;
    }
    return 0;
}

int OmbrixQrSize::magnification(int modules, int boxDots)
{
    if (modules <= 0)
        return 1;
    const int fitted = boxDots / modules;
    return fitted < 1 ? 1 : fitted;
}
