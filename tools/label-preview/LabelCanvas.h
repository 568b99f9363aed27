#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// The dots of one label, white until drawn on; (0, 0) is the top-left corner.
class LabelCanvas
{
public:
    enum class Ink
    {
        Black,
        White,
        Invert,
    };

    LabelCanvas(int width, int height);

    int width() const { return w; }
    int height() const { return h; }
    bool isBlack(int x, int y) const;

    // Every operation clips to the label.
    void paint(int x, int y, Ink ink);
    void fillRect(int x, int y, int width, int height, Ink ink);
    void drawLine(int x1, int y1, int x2, int y2, int thickness);

    // Writes the label as an 8-bit grey PNG, one pixel per dot.
    bool savePng(const QString &path) const;

private:
    int w;
    int h;
    std::vector<uint8_t> dots; // w * h, 1 = black
};
