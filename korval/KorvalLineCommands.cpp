// Lines and boxes; the printer takes any values.
#include "KorvalApiLock.h"
#include "KorvalCommand.h"
#include "korval.h"

extern "C" KORVAL_API int OBX_DrawRectangle(int x, int y, int thickness, int xEnd, int yEnd)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DRAW_RECTANGLE);
    return korvalCommand(KORVAL_ERR_WRITE_DRAW_RECTANGLE, "X%d,%d,%d,%d,%d\r\n", x, y, thickness,
                         xEnd, yEnd);
}

extern "C" KORVAL_API int OBX_DrawLineXor(int x, int y, int width, int height)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DRAW_LINE_XOR);
    return korvalCommand(KORVAL_ERR_WRITE_DRAW_LINE_XOR, "LE%d,%d,%d,%d\r\n", x, y, width, height);
}

extern "C" KORVAL_API int OBX_DrawLineOr(int x, int y, int width, int height)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DRAW_LINE_OR);
    return korvalCommand(KORVAL_ERR_WRITE_DRAW_LINE_OR, "LO%d,%d,%d,%d\r\n", x, y, width, height);
}

extern "C" KORVAL_API int OBX_DrawDiagonal(int x, int y, int thickness, int xEnd, int yEnd)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DRAW_DIAGONAL);
    return korvalCommand(KORVAL_ERR_WRITE_DRAW_DIAGONAL, "LS%d,%d,%d,%d,%d\r\n", x, y, thickness,
                         xEnd, yEnd);
}

extern "C" KORVAL_API int OBX_DrawWhiteLine(int x, int y, int width, int height)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DRAW_WHITE_LINE);
    return korvalCommand(KORVAL_ERR_WRITE_DRAW_WHITE_LINE, "LW%d,%d,%d,%d\r\n", x, y, width,
                         height);
}
