// Two-dimensional symbols that the printer encodes itself.
#include "KorvalCommand.h"
#include "korval.h"

#include <cstring>

namespace {

constexpr size_t kLongestPdf417Data = 2710; // bytes the printer takes in one PDF417 symbol

int orDefault(int value, int low, int high, int replacement)
{
    return korvalInRange(value, low, high) ? value : replacement;
}

bool pdf417ArgumentsValid(int s, int c, int px, int py, int t, int o, const char *data)
{
    return korvalInRange(s, 0, 8) && korvalInRange(c, 0, 1) && korvalInRange(px, 0, 8) &&
           korvalInRange(py, 4, 99) && korvalInRange(t, 0, 1) && korvalInRange(o, 0, 3) &&
           std::strlen(korvalText(data)) <= kLongestPdf417Data;
}

} // namespace

extern "C" KORVAL_API int OBX_DrawBar2D_DATAMATRIX(int x, int y, int p3, int p4, int o, int m,
                                                   const char *data)
{
    if (!korvalOutputOpen())
        return korvalFail(-3015);
    return korvalCommand(-2031, "b%d,%d,DX,%d,%d,o%d,m%d,\"%s\"\r\n", x, y, p3, p4,
                         orDefault(o, 0, 3, 0), orDefault(m, 1, 9, 1), korvalText(data));
}

extern "C" KORVAL_API int OBX_DrawBar2D_QR(int x, int y, int p3, int p4, int o, int r, int m, int g,
                                           int s, const char *data)
{
    if (!korvalOutputOpen())
        return korvalFail(-3016);
    return korvalCommand(-2034, "b%d,%d,QR,%d,%d,o%d,r%d,m%d,g%d,s%d,\"%s\"\r\n", x, y, p3, p4,
                         orDefault(o, 0, 3, 0), orDefault(r, 1, 99, 1), orDefault(m, 0, 4, 0),
                         orDefault(g, 0, 3, 0), orDefault(s, 0, 8, 0), korvalText(data));
}

extern "C" KORVAL_API int OBX_DrawBar2D_MaxiCode(int x, int y, int p3, int p4, const char *data)
{
    if (!korvalOutputOpen())
        return korvalFail(-3018);
    return korvalCommand(-2039, "b%d,%d,M,%d,%d,\"%s\"\r\n", x, y, orDefault(p3, 2, 4, 2),
                         orDefault(p4, 0, 1, 0), korvalText(data));
}

extern "C" KORVAL_API int OBX_DrawBar2D_Pdf417(int x, int y, int p3, int p4, int s, int c, int px,
                                               int py, int r, int l, int t, int o, const char *data)
{
    if (!korvalOutputOpen())
        return korvalFail(-3019);
    if (!pdf417ArgumentsValid(s, c, px, py, t, o, data))
        return korvalFail(-2043);
    return korvalCommand(-2042, "b%d,%d,P,%d,%d,s%d,c%d,x%d,y%d,r%d,l%d,t%d,o%d,\"%s\"\r\n", x, y,
                         p3, p4, s, c, px, py, r, l, t, o, korvalText(data));
}

extern "C" KORVAL_API int OBX_DrawBar2D_HANXIN(int x, int y, int p3, int p4, int o, int r, int m,
                                               int g, int s, const char *data)
{
    if (!korvalOutputOpen())
        return korvalFail(-3020);
    return korvalCommand(-2045, "b%d,%d,HX,%d,%d,m%d,o%d,r%d,g%d,s%d,\"%s\"\r\n", x, y, p3, p4,
                         orDefault(m, 0, 5, 6), orDefault(o, 0, 3, 0), orDefault(r, 0, 29, 30),
                         orDefault(g, 0, 3, 3), orDefault(s, 0, 3, 3), korvalText(data));
}
