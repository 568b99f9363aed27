#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

// The dots of one label, white until drawn on; (0, 0) is the top-left corner.
//
// Jobs come from anywhere, so drawing is paid from a budget of dot operations: every dot
// painted, every dot of a filled rectangle (after clipping) and every step of a line costs
// one. Once the budget is spent the canvas stops drawing and reports exhausted().
class LabelCanvas
{
public:
    enum class Ink
    {
        Black,
        White,
        Invert,
    };

    // No real label comes near these; larger labels and pictures are refused.
    static constexpr int kMaxSide = 32000;
    static constexpr long long kMaxDots = 100000000;

    // budget: dot operations this canvas may spend; a negative budget draws nothing.
    LabelCanvas(int width, int height, long long budget);

    int width() const { return w; }
    int height() const { return h; }
    bool isBlack(int x, int y) const;
    bool exhausted() const { return budgetLeft < 0; }
    // Pays for work done outside the canvas's own operations; false once spent.
    bool charge(long long operations) { return spend(operations); }
    long long budget() const { return budgetLeft; }

    // Every operation clips to the label.
    void paint(int x, int y, Ink ink);
    void fillRect(int x, int y, int width, int height, Ink ink);
    void drawLine(int x1, int y1, int x2, int y2, int thickness);

    // The label as an 8-bit grey picture, one pixel per dot, black on white; a null image
    // when it cannot be allocated.
    QImage toImage() const;
    // Writes toImage() as a PNG; false when the picture cannot be allocated or written.
    bool savePng(const QString &path) const;

private:
    bool spend(long long operations);

    int w;
    int h;
    std::vector<uint8_t> dots; // w * h, 1 = black
    long long budgetLeft;      // dot operations left; negative once spent
};
