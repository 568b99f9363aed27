// Printer control and RFID commands.
#include "KorvalCommand.h"
#include "korval.h"

namespace {

int cutCount(int n)
{
    return korvalInRange(n, 1, 999) ? n : 1;
}

} // namespace

extern "C" KORVAL_API int OBX_DisableBackFeed(void)
{
    return korvalFixedCommand(-3049, -2112, "JB\r\n");
}

extern "C" KORVAL_API int OBX_EnableBackFeed(void)
{
    return korvalFixedCommand(-3050, -2113, "JF\r\n");
}

extern "C" KORVAL_API int OBX_PrintConfiguration(void)
{
    return korvalFixedCommand(-3051, -2114, "U\r\n");
}

extern "C" KORVAL_API int OBX_SetPrinterState(char state)
{
    if (!korvalOutputOpen())
        return korvalFail(-3052);
    if (state != 'P' && state != 'L' && state != 'D' && state != 'C' && state != 'N')
        return korvalFail(-2116);
    return korvalCommand(-2115, "O%c\r\n", state);
}

extern "C" KORVAL_API int OBX_EnableFLASH(void)
{
    return korvalFixedCommand(-3055, -2119, "ZS\r\n");
}

extern "C" KORVAL_API int OBX_DisableFLASH(void)
{
    return korvalFixedCommand(-3056, -2120, "ZN\r\n");
}

extern "C" KORVAL_API int OBX_FeedMedia(void)
{
    return korvalFixedCommand(-3057, -2121, "FM\r\n");
}

extern "C" KORVAL_API int OBX_MediaDetect(void)
{
    return korvalFixedCommand(-3058, -2122, "MD\r\n");
}

extern "C" KORVAL_API int OBX_CutPage(int n)
{
    if (!korvalOutputOpen())
        return korvalFail(-3059);
    return korvalCommand(-2123, "#UM>CP%03d\r\n", cutCount(n));
}

extern "C" KORVAL_API int OBX_CutPageEx(int n)
{
    if (!korvalOutputOpen())
        return korvalFail(-3060);
    return korvalCommand(-2124, "CT%d\r\n", cutCount(n));
}

extern "C" KORVAL_API int OBX_Reset(void)
{
    return korvalFixedCommand(-3061, -2125, "^@\r\n");
}

extern "C" KORVAL_API int OBX_FeedBack(void)
{
    return korvalFixedCommand(-3062, -2126, "^ee\r\n");
}

extern "C" KORVAL_API int OBX_RWRFIDLabel(int p1, int p2, int p3, int p4, int p5, const char *data)
{
    if (!korvalOutputOpen())
        return korvalFail(-3063);
    return korvalCommand(-2132, "RF%d,%d,%d,%d,%d,\"%s\"\r\n", p1, p2, p3, p4, p5,
                         korvalText(data));
}

extern "C" KORVAL_API int OBX_SetRFLabelPWAndLockRFLabel(int p1, int p2, const char *data)
{
    if (!korvalOutputOpen())
        return korvalFail(-3064);
    return korvalCommand(-2134, "RZ%d,%d,\"%s\"\r\n", p1, p2, korvalText(data));
}

extern "C" KORVAL_API int OBX_SetRFID(int p1, int p2, int p3, int p4, int p5)
{
    if (!korvalOutputOpen())
        return korvalFail(-3066);
    return korvalCommand(-2136, "RS%d,%d,%d,%d,%d\r\n", p1, p2, p3, p4, p5);
}

extern "C" KORVAL_API int OBX_RFIDCalibrate(void)
{
    return korvalFixedCommand(-3074, -2166, "MR\r\n");
}

extern "C" KORVAL_API int OBX_RWRFIDLabelEx(int p1, int p2, int p3, int p4, int p5,
                                            const char *data)
{
    if (!korvalOutputOpen())
        return korvalFail(-3075);
    return korvalCommand(-2168, "RA%d,%d,%d,%d,%d,\"%s\"\r\n", p1, p2, p3, p4, p5,
                         korvalText(data));
}
