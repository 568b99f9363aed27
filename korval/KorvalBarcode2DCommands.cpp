// Two-dimensional symbols that the printer encodes itself.
#include "KorvalApiLock.h"
#include "KorvalCommand.h"
#include "korval.h"

#include <cstring>

namespace {

constexpr size_t kLongestPdf417Data = 2710; // bytes the printer takes in one PDF417 symbol

int orDefault(int value, int low, int high, int replacement)
{
    return korvalInRange(value, low, high) ? value : replacement;
}

bool pdf417ArgumentsValid(int securityLevel, int compressed, int moduleWidth, int barHeight,
                          int truncated, int rotation, const char *data)
{
    return korvalInRange(securityLevel, 0, 8) && korvalInRange(compressed, 0, 1) &&
           korvalInRange(moduleWidth, 0, 8) && korvalInRange(barHeight, 4, 99) &&
           korvalInRange(truncated, 0, 1) && korvalInRange(rotation, 0, 3) &&
           std::strlen(korvalText(data)) <= kLongestPdf417Data && korvalLineText(data);
}

} // namespace

extern "C" KORVAL_API int OBX_DrawBar2D_DATAMATRIX(int x, int y, int field3, int field4,
                                                   int rotation, int moduleSize, const char *data)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DRAW_DATAMATRIX);
    if (!korvalLineText(data))
        return korvalFail(KORVAL_ERR_INVALID_DRAW_DATAMATRIX);
    return korvalCommand(KORVAL_ERR_WRITE_DRAW_DATAMATRIX, "b%d,%d,DX,%d,%d,o%d,m%d,\"%s\"\r\n", x,
                         y, field3, field4, orDefault(rotation, 0, 3, 0),
                         orDefault(moduleSize, 1, 9, 1), korvalText(data));
}

extern "C" KORVAL_API int OBX_DrawBar2D_QR(int x, int y, int field3, int field4, int rotation,
                                           int magnification, int model, int level, int mask,
                                           const char *data)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DRAW_QR);
    if (!korvalLineText(data))
        return korvalFail(KORVAL_ERR_INVALID_DRAW_QR);
    return korvalCommand(KORVAL_ERR_WRITE_DRAW_QR, "b%d,%d,QR,%d,%d,o%d,r%d,m%d,g%d,s%d,\"%s\"\r\n",
                         x, y, field3, field4, orDefault(rotation, 0, 3, 0),
                         orDefault(magnification, 1, 99, 1), orDefault(model, 0, 4, 0),
                         orDefault(level, 0, 3, 0), orDefault(mask, 0, 8, 0), korvalText(data));
}

extern "C" KORVAL_API int OBX_DrawBar2D_MaxiCode(int x, int y, int mode, int field4,
                                                 const char *data)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DRAW_MAXICODE);
    if (!korvalLineText(data))
        return korvalFail(KORVAL_ERR_INVALID_DRAW_MAXICODE);
    return korvalCommand(KORVAL_ERR_WRITE_DRAW_MAXICODE, "b%d,%d,M,%d,%d,\"%s\"\r\n", x, y,
                         orDefault(mode, 2, 4, 2), orDefault(field4, 0, 1, 0), korvalText(data));
}

extern "C" KORVAL_API int OBX_DrawBar2D_Pdf417(int x, int y, int maxWidth, int maxHeight,
                                               int securityLevel, int compressed, int moduleWidth,
                                               int barHeight, int rows, int columns, int truncated,
                                               int rotation, const char *data)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DRAW_PDF417);
    if (!pdf417ArgumentsValid(securityLevel, compressed, moduleWidth, barHeight, truncated,
                              rotation, data))
        return korvalFail(KORVAL_ERR_INVALID_DRAW_PDF417);
    return korvalCommand(KORVAL_ERR_WRITE_DRAW_PDF417,
                         "b%d,%d,P,%d,%d,s%d,c%d,x%d,y%d,r%d,l%d,t%d,o%d,\"%s\"\r\n", x, y,
                         maxWidth, maxHeight, securityLevel, compressed, moduleWidth, barHeight,
                         rows, columns, truncated, rotation, korvalText(data));
}

extern "C" KORVAL_API int OBX_DrawBar2D_HANXIN(int x, int y, int field3, int field4, int rotation,
                                               int magnification, int mode, int level, int mask,
                                               const char *data)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DRAW_HANXIN);
    if (!korvalLineText(data))
        return korvalFail(KORVAL_ERR_INVALID_DRAW_HANXIN);
    return korvalCommand(KORVAL_ERR_WRITE_DRAW_HANXIN,
                         "b%d,%d,HX,%d,%d,m%d,o%d,r%d,g%d,s%d,\"%s\"\r\n", x, y, field3, field4,
                         orDefault(mode, 0, 5, 6), orDefault(rotation, 0, 3, 0),
                         orDefault(magnification, 0, 29, 30), orDefault(level, 0, 3, 3),
                         orDefault(mask, 0, 3, 3), korvalText(data));
}
