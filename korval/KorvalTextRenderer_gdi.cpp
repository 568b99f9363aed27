// TrueType text through GDI: CreateFontA with the request as it stands, the extent from
// GetTextExtentPoint32A, and the line drawn by TextOutA into a monochrome bitmap whose
// bits GetBitmapBits hands back. Text that is valid UTF-8 beyond ASCII goes through the
// wide calls instead, since the A calls would read it in the ANSI code page.
#include "KorvalTextRenderer.h"

#include <string>
#include <vector>
#include <windows.h>

namespace {

constexpr int kNormalWeight = 400; // what weight 0 asks for

// Wide text of a valid UTF-8 string that is not plain ASCII; empty otherwise.
std::wstring wideText(const char *text)
{
    bool ascii = true;
    for (const char *p = text; *p; ++p)
        ascii = ascii && static_cast<unsigned char>(*p) < 0x80;
    if (ascii)
        return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (length <= 1)
        return std::wstring();
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide.data(), length);
    wide.resize(size_t(length) - 1);
    return wide;
}

} // namespace

struct KorvalTextRenderer::Private
{
    HDC display = nullptr; // owned display device context; deleted in the destructor
    HDC dc = nullptr;      // owned memory device context compatible with the display
    HFONT font = nullptr;  // owned; selected into dc while the renderer lives (or the stock font)
    HGDIOBJ previousFont = nullptr;
    int escapement = 0;

    // Extent of the line as GDI measures it.
    SIZE extent(const char *text) const;
    // Draws the line with the cell's top-left corner at (x, y) of the selected bitmap.
    void textOut(const char *text, int x, int y) const;
};

SIZE KorvalTextRenderer::Private::extent(const char *text) const
{
    SIZE size = {0, 0};
    const std::wstring wide = wideText(text);
    if (!wide.empty()) {
        GetTextExtentPoint32W(dc, wide.data(), int(wide.size()), &size);
    } else {
        const int length = int(std::char_traits<char>::length(text));
        if (length > 0)
            GetTextExtentPoint32A(dc, text, length, &size);
        else
            GetTextExtentPoint32A(dc, " ", 0, &size);
    }
    return size;
}

void KorvalTextRenderer::Private::textOut(const char *text, int x, int y) const
{
    const std::wstring wide = wideText(text);
    if (!wide.empty())
        TextOutW(dc, x, y, wide.data(), int(wide.size()));
    else
        TextOutA(dc, x, y, text, int(std::char_traits<char>::length(text)));
}

KorvalTextRenderer::KorvalTextRenderer() : d(new Private)
{}

KorvalTextRenderer::~KorvalTextRenderer()
{
    if (d->dc && d->previousFont)
        SelectObject(d->dc, d->previousFont);
    if (d->font)
        DeleteObject(d->font);
    if (d->dc)
        DeleteDC(d->dc);
    if (d->display)
        DeleteDC(d->display);
}

bool KorvalTextRenderer::open(const TextFontRequest &request)
{
    d->escapement = request.escapement;
    // Orientation 0: in the compatible graphics mode the escapement turns the glyphs too.
    d->font =
        CreateFontA(request.height, request.width, request.escapement, 0,
                    request.weight == 0 ? kNormalWeight : request.weight, request.italic,
                    request.underline, request.strikeOut, DEFAULT_CHARSET, OUT_TT_PRECIS,
                    CLIP_CHARACTER_PRECIS, PROOF_QUALITY, 0, request.face ? request.face : "");
    // Without the requested font the line is still drawn, in the system font.
    const HGDIOBJ font = d->font ? HGDIOBJ(d->font) : GetStockObject(SYSTEM_FONT);
    d->display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (!d->display)
        return false;
    d->dc = CreateCompatibleDC(d->display);
    if (!d->dc)
        return false;
    d->previousFont = SelectObject(d->dc, font);
    SetTextAlign(d->dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    SetBkMode(d->dc, TRANSPARENT);
    return true;
}

void KorvalTextRenderer::measure(const char *text, int &width, int &height)
{
    const SIZE size = d->extent(text);
    width = size.cx;
    height = size.cy;
}

namespace {

// Where the rotated cell lies relative to its top-left corner: the corner's place inside
// the rotated box, and the box's size.
struct RotatedBox
{
    int width;
    int height;
    int cornerX;
    int cornerY;
};

RotatedBox rotatedBox(int escapement, int textWidth, int textHeight)
{
    switch (escapement) {
    case 900: // reads upwards; the cell's foot points right
        return {textHeight, textWidth, 0, textWidth};
    case 1800:
        return {textWidth, textHeight, textWidth, textHeight};
    case 2700: // reads downwards; the foot points left
        return {textHeight, textWidth, textHeight, 0};
    default:
        return {textWidth, textHeight, 0, 0};
    }
}

} // namespace

void KorvalTextRenderer::draw(const char *text, uint8_t *bits, int bitmapWidth, int bitmapHeight,
                              int originX, int originY)
{
    const SIZE size = d->extent(text);
    const RotatedBox box = rotatedBox(d->escapement, size.cx, size.cy);
    // A margin of a cell keeps italic overhang and decorations from being clipped.
    const int margin = size.cy;
    const int width = box.width + 2 * margin;
    const int height = box.height + 2 * margin;
    if (width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF)
        return;
    HBITMAP bitmap = CreateBitmap(width, height, 1, 1, nullptr);
    if (!bitmap)
        return;
    const HGDIOBJ previous = SelectObject(d->dc, bitmap);
    PatBlt(d->dc, 0, 0, width, height, WHITENESS);
    SetTextColor(d->dc, RGB(0, 0, 0));
    d->textOut(text, margin + box.cornerX, margin + box.cornerY);
    SelectObject(d->dc, previous);

    // Monochrome bitmap rows are WORD aligned, top row first; a clear bit is ink.
    const int stride = (width + 15) / 16 * 2;
    std::vector<uint8_t> rows(size_t(stride) * size_t(height));
    const LONG got = GetBitmapBits(bitmap, LONG(rows.size()), rows.data());
    DeleteObject(bitmap);
    if (got != LONG(rows.size()))
        return;
    const int left = originX - box.cornerX - margin;
    const int top = originY - box.cornerY - margin;
    for (int y = 0; y < height; ++y) {
        const int ty = top + y;
        if (ty < 0 || ty >= bitmapHeight)
            continue;
        const uint8_t *row = rows.data() + size_t(y) * size_t(stride);
        for (int x = 0; x < width; ++x) {
            const int tx = left + x;
            if (tx < 0 || tx >= bitmapWidth || (row[x / 8] & (0x80 >> (x % 8))))
                continue;
            bits[size_t(ty) * size_t(bitmapWidth / 8) + size_t(tx / 8)] &=
                uint8_t(~(0x80 >> (tx % 8)));
        }
    }
}
