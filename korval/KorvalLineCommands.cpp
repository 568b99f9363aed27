// Lines and boxes; the printer takes any values.
#include "KorvalCommand.h"
#include "korval.h"

extern "C" KORVAL_API int OBX_DrawRectangle(int x, int y, int p3, int p4, int p5)
{
    if (!korvalOutputOpen())
        return korvalFail(-3032);
    return korvalCommand(-2079, "X%d,%d,%d,%d,%d\r\n", x, y, p3, p4, p5);
}

extern "C" KORVAL_API int OBX_DrawLineXor(int x, int y, int p3, int p4)
{
    if (!korvalOutputOpen())
        return korvalFail(-3033);
    return korvalCommand(-2080, "LE%d,%d,%d,%d\r\n", x, y, p3, p4);
}

extern "C" KORVAL_API int OBX_DrawLineOr(int x, int y, int p3, int p4)
{
    if (!korvalOutputOpen())
        return korvalFail(-3034);
    return korvalCommand(-2081, "LO%d,%d,%d,%d\r\n", x, y, p3, p4);
}

extern "C" KORVAL_API int OBX_DrawDiagonal(int x, int y, int p3, int p4, int p5)
{
    if (!korvalOutputOpen())
        return korvalFail(-3035);
    return korvalCommand(-2082, "LS%d,%d,%d,%d,%d\r\n", x, y, p3, p4, p5);
}

extern "C" KORVAL_API int OBX_DrawWhiteLine(int x, int y, int p3, int p4)
{
    if (!korvalOutputOpen())
        return korvalFail(-3036);
    return korvalCommand(-2083, "LW%d,%d,%d,%d\r\n", x, y, p3, p4);
}
