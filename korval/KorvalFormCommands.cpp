// Soft fonts, stored forms, counters and variables.
#include "KorvalCommand.h"
#include "korval.h"

namespace {

bool isJustification(char c)
{
    return c == 'L' || c == 'C' || c == 'R' || c == 'N';
}

} // namespace

extern "C" KORVAL_API int OBX_SoftFontList(void)
{
    return korvalFixedCommand(-3037, -2084, "EI\r\n");
}

extern "C" KORVAL_API int OBX_SoftFontDel(char fontId)
{
    if (!korvalOutputOpen())
        return korvalFail(-3038);
    if (!korvalInRange(fontId, 'A', 'Z') && fontId != '*')
        return korvalFail(-2085);
    return korvalCommand(-2086, "EK\"%c\"\r\n", fontId);
}

extern "C" KORVAL_API int OBX_FormList(void)
{
    return korvalFixedCommand(-3039, -2087, "FI\r\n");
}

extern "C" KORVAL_API int OBX_FormDel(const char *formName)
{
    return korvalNamedCommand(-3040, -2089, -2090, "FK", formName);
}

extern "C" KORVAL_API int OBX_FormDownload(const char *formName)
{
    return korvalNamedCommand(-3041, -2092, -2093, "FS", formName);
}

extern "C" KORVAL_API int OBX_FormEnd(void)
{
    return korvalFixedCommand(-3042, -2094, "FE\r\n");
}

extern "C" KORVAL_API int OBX_ExecForm(const char *formName)
{
    return korvalNamedCommand(-3043, -2096, -2097, "FR", formName);
}

extern "C" KORVAL_API int OBX_DefineCounter(int p1, int p2, char c, const char *s1, const char *s2)
{
    if (!korvalOutputOpen())
        return korvalFail(-3044);
    if (!korvalInRange(p1, 0, 9) || !korvalInRange(p2, 1, 40) || !isJustification(c))
        return korvalFail(-2101);
    return korvalCommand(-2100, "C%d,%d,%c,%s,\"%s\"\r\n", p1, p2, c, korvalText(s1),
                         korvalText(s2));
}

extern "C" KORVAL_API int OBX_DefineVariable(int p1, int p2, char c, const char *s)
{
    if (!korvalOutputOpen())
        return korvalFail(-3045);
    if (!korvalInRange(p1, 0, 99) || !korvalInRange(p2, 1, 99) || !isJustification(c))
        return korvalFail(-2104);
    return korvalCommand(-2102, "V%d,%d,%c,\"%s\"\r\n", p1, p2, c, korvalText(s));
}

extern "C" KORVAL_API int OBX_Download(void)
{
    return korvalFixedCommand(-3046, -2105, "?\r\n");
}

extern "C" KORVAL_API int OBX_DownloadInitVar(const char *text)
{
    if (!korvalOutputOpen())
        return korvalFail(-3047);
    return korvalCommand(-2107, "%s\r\n", korvalText(text));
}

extern "C" KORVAL_API int OBX_SetFontGap(int gap)
{
    if (!korvalOutputOpen())
        return korvalFail(-3067);
    return korvalCommand(-2137, "g%d\r\n", gap < -99 ? -99 : gap > 99 ? 99 : gap);
}

extern "C" KORVAL_API int OBX_SetBarCodeFontName(char c, int p2, int p3)
{
    if (!korvalOutputOpen())
        return korvalFail(-3068);
    return korvalCommand(-2138, "BF\"%c\",%d,%d\r\n", c, p2, p3);
}

extern "C" KORVAL_API int OBX_SetCharSets(int p1, char p2, const char *p3)
{
    if (!korvalOutputOpen())
        return korvalFail(-3069);
    return korvalCommand(-2139, "I%d,%c,%s\r\n", p1, p2, korvalText(p3));
}

extern "C" KORVAL_API int OBX_RenameDownloadFont(int p1, char p2, const char *p3)
{
    if (!korvalOutputOpen())
        return korvalFail(-3070);
    return korvalCommand(-2140, "CF%d,%c,%s\r\n", p1, p2, korvalText(p3));
}
