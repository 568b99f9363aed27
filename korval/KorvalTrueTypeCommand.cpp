// TrueType text: the line is rendered into a bitmap, stored as a PCX graphic under the
// caller's name and placed on the label.
#include "KorvalApiLock.h"
#include "KorvalCommand.h"
#include "KorvalGraphics.h"
#include "KorvalTrueType.h"
#include "korval.h"

#include <climits>

namespace {

// Label coordinates arrive unsigned; keep them where the layout's arithmetic stays exact.
int coordinate(unsigned int v)
{
    return v > INT_MAX / 2 ? INT_MAX / 2 : static_cast<int>(v);
}

} // namespace

extern "C" KORVAL_API int OBX_DrawTextTrueTypeW(unsigned int x, unsigned int y, int height,
                                                int width, const char *faceName, int orientation,
                                                int weight, int italic, int underline,
                                                int strikeOut, const char *graphicName,
                                                const char *text)
{
    const KorvalApiLock lock;
    if (!korvalOutputOpen())
        return korvalFail(KORVAL_ERR_NO_OUTPUT_DRAW_TEXT_TRUETYPE);
    TrueTypeLine line;
    line.x = coordinate(x);
    line.y = coordinate(y);
    line.height = height;
    line.width = width;
    line.face = faceName;
    line.orientation = orientation;
    line.weight = weight;
    line.italic = italic != 0;
    line.underline = underline != 0;
    line.strikeOut = strikeOut != 0;
    line.text = text;
    RenderedLine rendered;
    if (const int code = renderTrueTypeLine(line, rendered))
        return korvalFail(code);
    const TextPlacement &p = rendered.placement;
    const int result =
        downloadBitmapAsPcx(rendered.bits.data(), p.bitmapWidth, p.bitmapHeight, 1, graphicName);
    if (result != 0)
        return korvalFail(result);
    OBX_DrawPcxGraphics(p.placeX, p.placeY, graphicName);
    return korvalFail(result);
}
