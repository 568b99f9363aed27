#include "LabelCanvas.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

LabelCanvas::LabelCanvas(int width, int height, long long budget)
    : w(std::max(width, 1)), h(std::max(height, 1)), dots(static_cast<size_t>(w) * h, 0),
      budgetLeft(budget)
{}

bool LabelCanvas::spend(long long operations)
{
    if (budgetLeft < 0 || operations > budgetLeft) {
        budgetLeft = -1;
        return false;
    }
    budgetLeft -= operations;
    return true;
}

bool LabelCanvas::isBlack(int x, int y) const
{
    return x >= 0 && y >= 0 && x < w && y < h && dots[static_cast<size_t>(y) * w + x] != 0;
}

void LabelCanvas::paint(int x, int y, Ink ink)
{
    if (x < 0 || y < 0 || x >= w || y >= h || !spend(1))
        return;
    uint8_t &dot = dots[static_cast<size_t>(y) * w + x];
    dot = ink == Ink::Black ? 1 : (ink == Ink::White ? 0 : dot ^ 1);
}

void LabelCanvas::fillRect(int x, int y, int width, int height, Ink ink)
{
    const int x0 = std::max(x, 0);
    const int y0 = std::max(y, 0);
    const int x1 = static_cast<int>(std::min<long long>(static_cast<long long>(x) + width, w));
    const int y1 = static_cast<int>(std::min<long long>(static_cast<long long>(y) + height, h));
    if (x1 <= x0 || y1 <= y0 || !spend(static_cast<long long>(x1 - x0) * (y1 - y0)))
        return;
    for (int row = y0; row < y1; ++row) {
        uint8_t *dot = &dots[static_cast<size_t>(row) * w + x0];
        for (int col = x0; col < x1; ++col, ++dot)
            *dot = ink == Ink::Black ? 1 : (ink == Ink::White ? 0 : *dot ^ 1);
    }
}

namespace {

// Liang-Barsky: narrows [t0, t1] of x = x1 + t * dx to where low <= x <= high.
bool clipAxis(double x1, double dx, double low, double high, double &t0, double &t1)
{
    if (dx == 0)
        return x1 >= low && x1 <= high;
    double a = (low - x1) / dx;
    double b = (high - x1) / dx;
    if (a > b)
        std::swap(a, b);
    t0 = std::max(t0, a);
    t1 = std::min(t1, b);
    return t0 <= t1;
}

} // namespace

// A line of the given thickness, stamped as a square brush along Bresenham's steps. The
// line is first cut to where the brush can touch the label, so a line running far off the
// label costs no more than one across it.
void LabelCanvas::drawLine(int x1, int y1, int x2, int y2, int thickness)
{
    const int t = std::max(thickness, 1);
    double t0 = 0;
    double t1 = 1;
    const double dxf = static_cast<double>(x2) - x1;
    const double dyf = static_cast<double>(y2) - y1;
    if (!clipAxis(x1, dxf, -static_cast<double>(t), w, t0, t1) ||
        !clipAxis(y1, dyf, -static_cast<double>(t), h, t0, t1))
        return;
    if (t0 > 0 || t1 < 1) {
        const int cx1 = static_cast<int>(std::lround(x1 + t0 * dxf));
        const int cy1 = static_cast<int>(std::lround(y1 + t0 * dyf));
        x2 = static_cast<int>(std::lround(x1 + t1 * dxf));
        y2 = static_cast<int>(std::lround(y1 + t1 * dyf));
        x1 = cx1;
        y1 = cy1;
    }
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1;
    const int sy = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    for (int x = x1, y = y1; spend(1);) {
        fillRect(x, y, t, t, Ink::Black);
        if (x == x2 && y == y2)
            break;
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y += sy;
        }
    }
}

QImage LabelCanvas::toImage() const
{
    QImage image(w, h, QImage::Format_Grayscale8);
    if (image.isNull())
        return image;
    for (int y = 0; y < h; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < w; ++x)
            line[x] = dots[static_cast<size_t>(y) * w + x] ? 0 : 255;
    }
    return image;
}

bool LabelCanvas::savePng(const QString &path) const
{
    const QImage image = toImage();
    return !image.isNull() && image.save(path, "PNG");
}
