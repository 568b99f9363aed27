// Label set-up and printing.
#include "KorvalCommand.h"
#include "korval.h"

namespace {

constexpr int kLargestCount = 65535;
constexpr int kLargestHeight = 65535;
constexpr unsigned int kLargestGap = 240;

} // namespace

extern "C" KORVAL_API int OBX_GetInfo(void)
{
    return korvalFixedCommand(-3000, -2000,
                              "T60,60,0,2,1,1,N,\"KORVAL.DLL Ver: 10.0.0.5180712\"\r\n");
}

extern "C" KORVAL_API int OBX_SetDarkness(int darkness)
{
    if (!korvalOutputOpen())
        return korvalFail(-3002);
    return korvalCommand(-2003, "H%d\r\n", darkness);
}

extern "C" KORVAL_API int OBX_SetPrintSpeed(int speed)
{
    if (!korvalOutputOpen())
        return korvalFail(-3003);
    return korvalCommand(-2004, "S%d\r\n", speed);
}

extern "C" KORVAL_API int OBX_SetLabelHeight(int height, unsigned int p2, int p3, int flag)
{
    if (!korvalOutputOpen())
        return korvalFail(-3004);
    // An impossible label is left out silently: the printer keeps its current height.
    if (!korvalInRange(height, 1, kLargestHeight) || p2 > kLargestGap)
        return 0;
    if (flag == 0)
        return korvalCommand(-2006, "Q%d,%u\r\n", height, p2);
    if (p3 >= 0)
        return korvalCommand(-2006, "Q%d,B%u+%d\r\n", height, p2, p3);
    return korvalCommand(-2006, "Q%d,B%u%d\r\n", height, p2, p3);
}

extern "C" KORVAL_API int OBX_SetLabelWidth(int width)
{
    if (!korvalOutputOpen())
        return korvalFail(-3005);
    return korvalCommand(-2007, "q%d\r\n", width);
}

extern "C" KORVAL_API int OBX_SetDirection(char direction)
{
    if (!korvalOutputOpen())
        return korvalFail(-3006);
    return korvalCommand(-2008, "Z%c\r\n", direction);
}

extern "C" KORVAL_API int OBX_SetCoordinateOrigin(int x, int y)
{
    if (!korvalOutputOpen())
        return korvalFail(-3007);
    return korvalCommand(-2010, "R%d,%d\r\n", x, y);
}

// The spool file is sent whatever the arguments, so a bad value still delivers what was
// built, only without the print command; the caller still learns of the bad value.
extern "C" KORVAL_API int OBX_PrintLabel(int p1, int p2)
{
    if (!korvalOutputOpen())
        return korvalFail(-3008);
    int early = 0;
    if (!korvalInRange(p1, 1, kLargestCount) || !korvalInRange(p2, 1, kLargestCount))
        early = korvalFail(-2012);
    else
        early = korvalCommand(-2011, "W%d,%d\r\n", p1, p2);
    const int sent = korvalSendSpool();
    return sent != 0 ? sent : early;
}

extern "C" KORVAL_API int OBX_PrintLabelAuto(int p1, int p2)
{
    if (!korvalOutputOpen())
        return korvalFail(-3009);
    if (!korvalInRange(p1, 1, kLargestCount))
        return korvalFail(-2014);
    if (!korvalInRange(p2, 1, kLargestCount))
        p2 = 1;
    return korvalCommand(-2013, "WA%d,%d\r\n", p1, p2);
}
