#include "KorvalTrueType.h"

#include "KorvalTextRenderer.h"

namespace {

constexpr int kPcxMaxSide = 65535;

} // namespace

int renderTrueTypeLine(const TrueTypeLine &line, RenderedLine &out)
{
    if (line.orientation < 1 || line.orientation > 8)
        return kTextNoDeviceContext;
    // No glyph is taller or wider than a PCX side; the bound also keeps every size's
    // negation and scaling inside an int.
    if (line.height < -kPcxMaxSide || line.height > kPcxMaxSide || line.width < -kPcxMaxSide ||
        line.width > kPcxMaxSide)
        return kTextNoMemory;
    TextFontRequest font;
    font.height = line.height;
    font.width = line.width;
    font.face = line.face;
    font.escapement = textEscapement(line.orientation);
    font.weight = line.weight;
    font.italic = line.italic;
    font.underline = line.underline;
    font.strikeOut = line.strikeOut;
    KorvalTextRenderer renderer;
    if (!renderer.open(font))
        return kTextNoDeviceContext;
    const char *text = line.text != nullptr ? line.text : "";
    renderer.measure(text, out.textWidth, out.textHeight);
    if (!layoutTextLine(line.orientation, line.x, line.y, out.textWidth, out.textHeight,
                        out.placement))
        return kTextNoDeviceContext;

    const TextPlacement &p = out.placement;
    const size_t bytes =
        static_cast<size_t>(p.bitmapWidth) / 8 * static_cast<size_t>(p.bitmapHeight);
    if (p.bitmapWidth > kPcxMaxSide || p.bitmapHeight > kPcxMaxSide || bytes > kTextMaxBitmapBytes)
        return kTextNoMemory;
    out.bits.assign(bytes, 0xFF);
    renderer.draw(text, out.bits.data(), p.bitmapWidth, p.bitmapHeight, p.textX, p.textY);
    return 0;
}
