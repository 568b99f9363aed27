// Text in the printer's own fonts and one-dimensional bar codes.
#include "KorvalApiLock.h"
#include "KorvalCommand.h"
#include "korval.h"

namespace {

struct BuilderCodes
{
    int invalid;
    int writeFailed;
    int noOutput;
};

bool isNumericFont(int font)
{
    return korvalInRange(font, 1, 6);
}

bool isLetterFont(int font)
{
    return korvalInRange(font, 'A', 'Z') || font == 'a';
}

bool textArgumentsValid(int rotation, int font, int xMultiplier, int yMultiplier, char reverse)
{
    return korvalInRange(rotation, 0, 3) && (isNumericFont(font) || isLetterFont(font)) &&
           korvalInRange(xMultiplier, 1, 24) && korvalInRange(yMultiplier, 1, 24) &&
           (reverse == 'N' || reverse == 'R');
}

int drawText(const BuilderCodes &codes, int x, int y, int rotation, int font, int xMultiplier,
             int yMultiplier, char reverse, const char *text, bool quoted)
{
    if (!korvalOutputOpen())
        return korvalFail(codes.noOutput);
    if (!textArgumentsValid(rotation, font, xMultiplier, yMultiplier, reverse) ||
        !korvalLineText(text))
        return korvalFail(codes.invalid);
    const char *quote = quoted ? "\"" : "";
    if (isNumericFont(font))
        return korvalCommand(codes.writeFailed, "T%d,%d,%d,%d,%d,%d,%c,%s%s%s\r\n", x, y, rotation,
                             font, xMultiplier, yMultiplier, reverse, quote, korvalText(text),
                             quote);
    return korvalCommand(codes.writeFailed, "T%d,%d,%d,%c,%d,%d,%c,%s%s%s\r\n", x, y, rotation,
                         char(font), xMultiplier, yMultiplier, reverse, quote, korvalText(text),
                         quote);
}

int drawBarcode(const BuilderCodes &codes, int x, int y, int rotation, const char *symbology,
                int narrowBar, int wideBar, int barHeight, char humanReadable, const char *data,
                bool quoted)
{
    if (!korvalOutputOpen())
        return korvalFail(codes.noOutput);
    if (!korvalInRange(rotation, 0, 3) || (humanReadable != 'N' && humanReadable != 'B') ||
        !korvalLineText(symbology) || !korvalLineText(data))
        return korvalFail(codes.invalid);
    const char *quote = quoted ? "\"" : "";
    return korvalCommand(codes.writeFailed, "B%d,%d,%d,%s,%d,%d,%d,%c,%s%s%s\r\n", x, y, rotation,
                         korvalText(symbology), narrowBar, wideBar, barHeight, humanReadable, quote,
                         korvalText(data), quote);
}

} // namespace

extern "C" KORVAL_API int OBX_DrawText(int x, int y, int rotation, int font, int xMultiplier,
                                       int yMultiplier, char reverse, const char *text)
{
    const KorvalApiLock lock;
    return drawText(
        {KORVAL_ERR_INVALID_DRAW_TEXT, KORVAL_ERR_WRITE_DRAW_TEXT, KORVAL_ERR_NO_OUTPUT_DRAW_TEXT},
        x, y, rotation, font, xMultiplier, yMultiplier, reverse, text, true);
}

extern "C" KORVAL_API int OBX_DrawTextEx(int x, int y, int rotation, int font, int xMultiplier,
                                         int yMultiplier, char reverse, const char *text,
                                         int unquoted)
{
    const KorvalApiLock lock;
    return drawText({KORVAL_ERR_INVALID_DRAW_TEXT_EX, KORVAL_ERR_WRITE_DRAW_TEXT_EX,
                     KORVAL_ERR_NO_OUTPUT_DRAW_TEXT_EX},
                    x, y, rotation, font, xMultiplier, yMultiplier, reverse, text, unquoted == 0);
}

extern "C" KORVAL_API int OBX_DrawBarcode(int x, int y, int rotation, const char *symbology,
                                          int narrowBar, int wideBar, int barHeight,
                                          char humanReadable, const char *data)
{
    const KorvalApiLock lock;
    return drawBarcode({KORVAL_ERR_INVALID_DRAW_BARCODE, KORVAL_ERR_WRITE_DRAW_BARCODE,
                        KORVAL_ERR_NO_OUTPUT_DRAW_BARCODE},
                       x, y, rotation, symbology, narrowBar, wideBar, barHeight, humanReadable,
                       data, true);
}

extern "C" KORVAL_API int OBX_DrawBarcodeEx(int x, int y, int rotation, const char *symbology,
                                            int narrowBar, int wideBar, int barHeight,
                                            char humanReadable, const char *data, int unquoted)
{
    const KorvalApiLock lock;
    return drawBarcode({KORVAL_ERR_INVALID_DRAW_BARCODE_EX, KORVAL_ERR_WRITE_DRAW_BARCODE_EX,
                        KORVAL_ERR_NO_OUTPUT_DRAW_BARCODE_EX},
                       x, y, rotation, symbology, narrowBar, wideBar, barHeight, humanReadable,
                       data, unquoted == 0);
}
