#pragma once

#include <QPoint>

// Where the device label's items go, in printer dots, for a dot pitch of c tenths of a
// millimetre per dot. The label's lengths are given in tenths of a millimetre and
// become dots as t(v) = v / c, truncated; label sizes in millimetres become dots as
// dots(L) = floor(L * 10 / c + 0.5).
class OmbrixLabelLayout
{
public:
    struct Geometry
    {
        double width = 45;  // millimetres
        double height = 45; // millimetres
        int columns = 1;
        double paddingLeft = 0; // millimetres
        double paddingTop = 0;  // millimetres
    };

    // qrModules: modules per side of the symbol the printer will build.
    OmbrixLabelLayout(double dotPitch, const Geometry &geometry, int qrModules);

    // Lengths beyond kFar dots (or not numbers) give -kFar or kFar.
    static int dots(double millimetres, double c);
    static int t(double tenths, double c);
    static constexpr int kFar = 1 << 24;

    // True when every item starts on the label; paddings can push them off it.
    bool fitsLabel() const;

    double pitch = 0;    // tenths of a millimetre per dot
    int labelWidth = 0;  // dots
    int labelHeight = 0; // dots
    int gap = 0;         // dots between labels
    int rowWidth = 0;    // dots across all columns, as the printer is told
    QPoint model;        // top-left corner of the model line
    int modelHeight = 0;
    QPoint qr;               // top-left module of the QR symbol
    int qrBox = 0;           // side of the square reserved for the symbol
    int qrMagnification = 1; // dots per module
    QPoint identifier;       // centre of the identifier line
    int identifierHeight = 0;
    QPoint serial; // top-left corner of the serial number line
    int serialHeight = 0;
};
