#include "TextLineFile.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

// A bitmap larger than this is not something the tests render.
constexpr size_t kMaxBitmapBytes = 16u << 20;

} // namespace

bool writeTextLineFile(const std::string &path, const RenderedLine &line)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const TextPlacement &p = line.placement;
    out << p.bitmapWidth << ' ' << p.bitmapHeight << ' ' << line.textWidth << ' ' << line.textHeight
        << ' ' << p.placeX << ' ' << p.placeY << ' ' << p.textX << ' ' << p.textY << '\n';
    out.write(reinterpret_cast<const char *>(line.bits.data()), std::streamsize(line.bits.size()));
    return bool(out);
}

bool readTextLineFile(const std::string &path, RenderedLine &line)
{
    std::ifstream in(path, std::ios::binary);
    std::string header;
    if (!std::getline(in, header))
        return false;
    std::istringstream fields(header);
    TextPlacement &p = line.placement;
    if (!(fields >> p.bitmapWidth >> p.bitmapHeight >> line.textWidth >> line.textHeight >>
          p.placeX >> p.placeY >> p.textX >> p.textY))
        return false;
    if (p.bitmapWidth <= 0 || p.bitmapHeight <= 0 || p.bitmapWidth % 8 != 0)
        return false;
    const size_t bytes = size_t(p.bitmapWidth) / 8 * size_t(p.bitmapHeight);
    if (bytes > kMaxBitmapBytes)
        return false;
    line.bits.assign(bytes, 0);
    in.read(reinterpret_cast<char *>(line.bits.data()), std::streamsize(bytes));
    return in.gcount() == std::streamsize(bytes);
}

TrueTypeLine textLineCase(int index)
{
    TrueTypeLine line;
    switch (index) {
    case 1:
        line.x = 123;
        line.y = 327;
        line.height = 15;
        line.face = "Arial Narrow";
        line.orientation = 5;
        line.weight = 700;
        line.text = "HXKT4R00A1B2";
        return line;
    case 2:
        line.x = 188;
        line.y = 409;
        line.height = 23;
        line.face = "Arial";
        line.weight = 600;
        line.text = "SN-00042";
        return line;
    case 11:
        line.x = 20;
        line.y = 40;
        line.height = 25;
        line.face = "Arial";
        line.weight = 400;
        line.text = "Gr\xc3\xb6\xc3\x9f"
                    "e 50 \xc2\xb0"
                    "C \xe2\x82\xac"; // "Größe 50 °C €"
        return line;
    default:
        line.x = 267;
        line.y = 172;
        line.height = 25;
        line.face = "Arial";
        line.weight = 500;
        line.text = "KT4X-Q2";
        if (index >= 3)
            line.orientation = index - 2;
        return line;
    }
}
