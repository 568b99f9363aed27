// Text in the printer's own fonts and one-dimensional bar codes.
#include "KorvalCommand.h"
#include "korval.h"

namespace {

struct BuilderCodes
{
    int invalid;
    int writeFailed;
    int noOutput;
};

bool isNumericFont(int f)
{
    return korvalInRange(f, 1, 6);
}

bool isLetterFont(int f)
{
    return korvalInRange(f, 'A', 'Z') || f == 'a';
}

bool textArgumentsValid(int p3, int f, int p5, int p6, char c)
{
    return korvalInRange(p3, 0, 3) && (isNumericFont(f) || isLetterFont(f)) &&
           korvalInRange(p5, 1, 24) && korvalInRange(p6, 1, 24) && (c == 'N' || c == 'R');
}

int drawText(const BuilderCodes &codes, int x, int y, int p3, int f, int p5, int p6, char c,
             const char *text, bool quoted)
{
    if (!korvalOutputOpen())
        return korvalFail(codes.noOutput);
    if (!textArgumentsValid(p3, f, p5, p6, c))
        return korvalFail(codes.invalid);
    const char *quote = quoted ? "\"" : "";
    if (isNumericFont(f))
        return korvalCommand(codes.writeFailed, "T%d,%d,%d,%d,%d,%d,%c,%s%s%s\r\n", x, y, p3, f, p5,
                             p6, c, quote, korvalText(text), quote);
    return korvalCommand(codes.writeFailed, "T%d,%d,%d,%c,%d,%d,%c,%s%s%s\r\n", x, y, p3, char(f),
                         p5, p6, c, quote, korvalText(text), quote);
}

int drawBarcode(const BuilderCodes &codes, int x, int y, int p3, const char *s, int p5, int p6,
                int p7, char c, const char *data, bool quoted)
{
    if (!korvalOutputOpen())
        return korvalFail(codes.noOutput);
    if (!korvalInRange(p3, 0, 3) || (c != 'N' && c != 'B'))
        return korvalFail(codes.invalid);
    const char *quote = quoted ? "\"" : "";
    return korvalCommand(codes.writeFailed, "B%d,%d,%d,%s,%d,%d,%d,%c,%s%s%s\r\n", x, y, p3,
                         korvalText(s), p5, p6, p7, c, quote, korvalText(data), quote);
}

} // namespace

extern "C" KORVAL_API int OBX_DrawText(int x, int y, int p3, int f, int p5, int p6, char c,
                                       const char *text)
{
    return drawText({-2016, -2015, -3010}, x, y, p3, f, p5, p6, c, text, true);
}

extern "C" KORVAL_API int OBX_DrawTextEx(int x, int y, int p3, int f, int p5, int p6, char c,
                                         const char *text, int unquoted)
{
    return drawText({-2018, -2017, -3011}, x, y, p3, f, p5, p6, c, text, unquoted == 0);
}

extern "C" KORVAL_API int OBX_DrawBarcode(int x, int y, int p3, const char *s, int p5, int p6,
                                          int p7, char c, const char *data)
{
    return drawBarcode({-2027, -2026, -3013}, x, y, p3, s, p5, p6, p7, c, data, true);
}

extern "C" KORVAL_API int OBX_DrawBarcodeEx(int x, int y, int p3, const char *s, int p5, int p6,
                                            int p7, char c, const char *data, int unquoted)
{
    return drawBarcode({-2029, -2027, -3014}, x, y, p3, s, p5, p6, p7, c, data, unquoted == 0);
}
