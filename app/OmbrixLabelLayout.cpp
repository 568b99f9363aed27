#include "app/OmbrixLabelLayout.h"

#include "app/OmbrixQrSize.h"

#include <QRect>

#include <cmath>

namespace {
// Whole dots of a length that may come from anywhere: far off (and not a number) stays far
// off instead of overflowing.
int wholeDots(double value)
{
    const int far = OmbrixLabelLayout::kFar;
    if (!(value > -far && value < far))
        return value < 0 ? -far : far;
    return int(value);
}
} // namespace

int OmbrixLabelLayout::dots(double millimetres, double c)
{
    return wholeDots(std::floor(millimetres * 10 / c + 0.5));
}

int OmbrixLabelLayout::t(double tenths, double c)
{
    return wholeDots(std::trunc(tenths / c));
}

bool OmbrixLabelLayout::fitsLabel() const
{
    const QRect label(0, 0, labelWidth, labelHeight);
    return label.contains(model) && label.contains(qr) && label.contains(identifier) &&
           label.contains(serial);
}

OmbrixLabelLayout::OmbrixLabelLayout(double dotPitch, const Geometry &geometry, int qrModules)
    : pitch(dotPitch)
{
    const auto tc = [dotPitch](double tenths) {
        return t(tenths, dotPitch);
    };
    labelWidth = dots(geometry.width, dotPitch);
    labelHeight = dots(geometry.height, dotPitch);
    gap = tc(2);
    rowWidth = int(geometry.columns * labelWidth + (geometry.columns - 1) * 20 / dotPitch);
    // The label rectangle starts at the origin, so its corner adds nothing here.
    const int left = dots(geometry.paddingLeft, dotPitch);
    const int top = dots(geometry.paddingTop, dotPitch);
    model = QPoint(left + tc(227), top + tc(147));
    modelHeight = tc(21.5);
    qr = QPoint(left + tc(61), top + tc(180));
    qrBox = tc(98);
    qrMagnification = OmbrixQrSize::magnification(qrModules, qrBox);
    // The left padding counts twice here: once through the QR code's x.
    identifier = QPoint(qr.x() + left + tc(45), qr.y() + tc(98) + tc(1));
    identifierHeight = tc(13.5);
    serial = QPoint(left + tc(160), top + tc(348));
    serialHeight = tc(19.8);
}
