// Text rendering with FreeType, the face chosen by fontconfig: the stand-in for the
// Windows text interface. The Windows meanings are kept: a positive height is the cell
// height (ascent + descent from the face's Windows metrics), the width is the average
// character width, weights without a face of their own are emboldened, a face without
// italics is slanted, and underline and strike-out are drawn from the face's metrics.
#include "KorvalTextRenderer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int kDefaultCellHeight = 16;    // height 0: the display's default font size
constexpr int kNormalWeight = 400;        // what weight 0 asks for
constexpr int kBoldWeight = 600;          // from here on a regular face is emboldened
constexpr FT_Fixed kItalicShear = 0x366A; // tan(12 degrees) in 16.16, the usual oblique slant
constexpr int kFixedOne = 64;             // 26.6 fixed point

// The process-wide FreeType library, started on first use and released when this library
// is unloaded: a caller that loads and releases korval for every label must not leave a
// FreeType library behind each time.
class FreeTypeHolder
{
public:
    FreeTypeHolder()
    {
        if (FT_Init_FreeType(&library) != 0)
            library = nullptr;
    }
    ~FreeTypeHolder()
    {
        if (library)
            FT_Done_FreeType(library);
    }
    FreeTypeHolder(const FreeTypeHolder &) = delete;
    FreeTypeHolder &operator=(const FreeTypeHolder &) = delete;

    FT_Library library = nullptr;
};

FT_Library freeTypeLibrary()
{
    static FreeTypeHolder holder;
    return holder.library;
}

// Code points of the text: UTF-8 when it is valid, otherwise one character per byte.
std::vector<uint32_t> decodeText(const char *text)
{
    std::vector<uint32_t> out;
    const auto *p = reinterpret_cast<const uint8_t *>(text);
    for (size_t i = 0; p[i] != 0;) {
        const uint8_t c = p[i];
        const int extra = c < 0x80         ? 0
                          : (c >> 5) == 6  ? 1
                          : (c >> 4) == 14 ? 2
                          : (c >> 3) == 30 ? 3
                                           : -1;
        uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        bool valid = extra >= 0;
        for (int k = 1; valid && k <= extra; ++k) {
            valid = (p[i + k] & 0xC0) == 0x80;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (!valid) {
            out.clear();
            for (size_t j = 0; p[j] != 0; ++j)
                out.push_back(p[j]);
            return out;
        }
        out.push_back(cp);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

struct FaceChoice
{
    std::string file;
    int index = 0;
};

bool chooseFace(const TextFontRequest &r, FaceChoice &choice)
{
    if (!FcInit())
        return false;
    FcPattern *pattern = FcPatternCreate();
    if (r.face != nullptr && r.face[0] != '\0')
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(r.face));
    FcPatternAddInteger(pattern, FC_WEIGHT, static_cast<int>(FcWeightFromOpenTypeDouble(r.weight)));
    FcPatternAddInteger(pattern, FC_SLANT, r.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern *match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr)
        return false;
    FcChar8 *file = nullptr;
    int index = 0;
    const bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
    if (found)
        choice.file = reinterpret_cast<const char *>(file);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch)
        choice.index = index;
    FcPatternDestroy(match);
    return found;
}

// The face's own weight and slant, from its tables rather than from the match, which
// fontconfig may already have marked for synthetic styles of its own.
int faceWeight(FT_Face face)
{
    const TT_OS2 *os2 = static_cast<TT_OS2 *>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->usWeightClass > 0)
        return os2->usWeightClass;
    return (face->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400;
}

} // namespace

struct KorvalTextRenderer::Private
{
    FT_Face face = nullptr; // owned; released in the destructor
    int ascent = 0;         // pixels above the baseline in the cell
    int descent = 0;
    int escapement = 0;    // tenths of a degree
    bool embolden = false; // synthetic bold
    int boldStrength = 0;  // 26.6 widening of synthetic bold, 0 for none
    bool slant = false;    // synthetic italic
    bool underline = false;
    bool strikeOut = false;
    int underlineTop = 0; // rows below the cell top
    int underlineThickness = 1;
    int strikeTop = 0;
    int strikeThickness = 1;

    bool loadGlyph(uint32_t codePoint);
    int advanceOf(uint32_t codePoint);
    bool sizeFace(const TextFontRequest &r);
    void setDecorations(double scale);
};

bool KorvalTextRenderer::Private::loadGlyph(uint32_t codePoint)
{
    const FT_UInt index = FT_Get_Char_Index(face, codePoint);
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO) != 0)
        return false;
    if (boldStrength > 0 && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE)
        FT_Outline_Embolden(&face->glyph->outline, boldStrength);
    return true;
}

int KorvalTextRenderer::Private::advanceOf(uint32_t codePoint)
{
    if (!loadGlyph(codePoint))
        return 0;
    return static_cast<int>((face->glyph->advance.x + kFixedOne / 2) / kFixedOne) +
           (boldStrength + kFixedOne / 2) / kFixedOne;
}

// Scales the face so that the cell, or the em for a negative height, has the requested
// size, and the average character width the requested width. False when FreeType refuses
// the size: drawing at whatever size the face had would be a wrong picture.
bool KorvalTextRenderer::Private::sizeFace(const TextFontRequest &r)
{
    const TT_OS2 *os2 = static_cast<TT_OS2 *>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const double upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    double winAscent = os2 != nullptr ? os2->usWinAscent : face->ascender;
    double winDescent = os2 != nullptr ? os2->usWinDescent : -face->descender;
    if (winAscent + winDescent <= 0) {
        winAscent = upem * 0.8;
        winDescent = upem * 0.2;
    }
    const int cell = r.height == 0 ? kDefaultCellHeight : r.height;
    double ppem = 0;
    if (cell > 0) {
        ppem = cell * upem / (winAscent + winDescent);
        ascent = static_cast<int>(std::lround(cell * winAscent / (winAscent + winDescent)));
        descent = cell - ascent;
    } else {
        ppem = -cell;
        ascent = static_cast<int>(std::lround(winAscent * ppem / upem));
        descent = static_cast<int>(std::lround(winDescent * ppem / upem));
    }
    double xppem = ppem;
    const int width = std::abs(r.width);
    if (width > 0 && os2 != nullptr && os2->xAvgCharWidth > 0)
        xppem = width * upem / os2->xAvgCharWidth;
    if (FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(std::lround(xppem * kFixedOne)),
                         static_cast<FT_F26Dot6>(std::lround(ppem * kFixedOne)), 72, 72) != 0)
        return false;
    if (embolden)
        boldStrength = std::max<int>(kFixedOne, static_cast<int>(ppem * kFixedOne / 24));
    setDecorations(ppem / upem);
    return true;
}

void KorvalTextRenderer::Private::setDecorations(double scale)
{
    const TT_OS2 *os2 = static_cast<TT_OS2 *>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    underlineThickness =
        std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
    // FreeType gives the underline's centre, negative below the baseline.
    underlineTop = ascent - static_cast<int>(std::lround(face->underline_position * scale)) -
                   underlineThickness / 2;
    if (os2 != nullptr && os2->yStrikeoutSize > 0) {
        strikeThickness = std::max(1, static_cast<int>(std::lround(os2->yStrikeoutSize * scale)));
        strikeTop = ascent - static_cast<int>(std::lround(os2->yStrikeoutPosition * scale));
    } else {
        strikeThickness = underlineThickness;
        strikeTop = ascent - ascent / 3;
    }
}

KorvalTextRenderer::KorvalTextRenderer() : d(new Private)
{}

KorvalTextRenderer::~KorvalTextRenderer()
{
    if (d->face != nullptr)
        FT_Done_Face(d->face);
}

bool KorvalTextRenderer::open(const TextFontRequest &given)
{
    TextFontRequest request = given;
    if (request.weight == 0)
        request.weight = kNormalWeight;
    FT_Library library = freeTypeLibrary();
    FaceChoice choice;
    if (library == nullptr || !chooseFace(request, choice))
        return false;
    if (FT_New_Face(library, choice.file.c_str(), choice.index, &d->face) != 0) {
        d->face = nullptr;
        return false;
    }
    FT_Select_Charmap(d->face, FT_ENCODING_UNICODE);
    d->escapement = request.escapement;
    d->embolden = request.weight >= kBoldWeight && faceWeight(d->face) < kBoldWeight;
    d->slant = request.italic && !(d->face->style_flags & FT_STYLE_FLAG_ITALIC);
    d->underline = request.underline;
    d->strikeOut = request.strikeOut;
    if (!d->sizeFace(request))
        return false;
    if (d->slant) {
        FT_Matrix shear = {0x10000, kItalicShear, 0, 0x10000};
        FT_Set_Transform(d->face, &shear, nullptr);
    }
    return true;
}

void KorvalTextRenderer::measure(const char *text, int &width, int &height)
{
    width = 0;
    for (uint32_t cp : decodeText(text))
        width += d->advanceOf(cp);
    height = d->ascent + d->descent;
}

namespace {

// Clears the bit of a text-space pixel (tx, ty) after turning it about the origin.
struct RotatedCanvas
{
    uint8_t *bits;
    int width;
    int height;
    int originX;
    int originY;
    int escapement;

    void ink(int tx, int ty) const
    {
        int x = originX + tx;
        int y = originY + ty;
        switch (escapement) {
        case 900:
            x = originX + ty;
            y = originY - tx - 1;
            break;
        case 1800:
            x = originX - tx - 1;
            y = originY - ty - 1;
            break;
        case 2700:
            x = originX - ty - 1;
            y = originY + tx;
            break;
        default:
            break;
        }
        if (x < 0 || y < 0 || x >= width || y >= height)
            return;
        bits[static_cast<size_t>(y) * (width / 8) + x / 8] &=
            static_cast<uint8_t>(~(0x80 >> (x % 8)));
    }
    void fill(int left, int top, int w, int h) const
    {
        for (int ty = top; ty < top + h; ++ty) {
            for (int tx = left; tx < left + w; ++tx)
                ink(tx, ty);
        }
    }
};

} // namespace

void KorvalTextRenderer::draw(const char *text, uint8_t *bits, int bitmapWidth, int bitmapHeight,
                              int originX, int originY)
{
    const RotatedCanvas canvas{bits, bitmapWidth, bitmapHeight, originX, originY, d->escapement};
    int penX = 0;
    for (uint32_t cp : decodeText(text)) {
        const int advance = d->advanceOf(cp);
        if (FT_Render_Glyph(d->face->glyph, FT_RENDER_MODE_MONO) == 0) {
            const FT_Bitmap &glyph = d->face->glyph->bitmap;
            const int left = penX + d->face->glyph->bitmap_left;
            const int top = d->ascent - d->face->glyph->bitmap_top;
            for (unsigned row = 0; row < glyph.rows; ++row) {
                const uint8_t *line = glyph.buffer + static_cast<ptrdiff_t>(row) * glyph.pitch;
                for (unsigned col = 0; col < glyph.width; ++col) {
                    if (line[col / 8] & (0x80 >> (col % 8)))
                        canvas.ink(left + static_cast<int>(col), top + static_cast<int>(row));
                }
            }
        }
        penX += advance;
    }
    if (d->underline)
        canvas.fill(0, d->underlineTop, penX, d->underlineThickness);
    if (d->strikeOut)
        canvas.fill(0, d->strikeTop, penX, d->strikeThickness);
}
