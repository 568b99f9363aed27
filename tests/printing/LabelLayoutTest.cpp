// The label's geometry at the three dot pitches the printers use, and the size of the QR
// symbol the printer builds, checked against korval's encoder and the qrencode tool.
#include "KorvalQr.h"
#include "app/OmbrixLabelLayout.h"
#include "app/OmbrixQrSize.h"

#include <QProcess>

#include <cmath>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

OmbrixLabelLayout layoutAt(double pitch, int modules = 21, double left = 0, double top = 0)
{
    OmbrixLabelLayout::Geometry geometry;
    geometry.paddingLeft = left;
    geometry.paddingTop = top;
    return OmbrixLabelLayout(pitch, geometry, modules);
}

// Modules per side of the symbol qrencode makes from data in byte mode at level M.
int qrencodeModules(const std::string &data)
{
    QProcess qrencode;
    qrencode.start(QStringLiteral("qrencode"),
                   {"-8", "-l", "M", "-m", "0", "-t", "ASCII", "-o", "-"});
    qrencode.write(data.data(), qint64(data.size()));
    qrencode.closeWriteChannel();
    if (!qrencode.waitForFinished(10000) || qrencode.exitCode() != 0)
        return -1;
    const QByteArray first = qrencode.readAllStandardOutput().split('\n').value(0);
    return first.size() / 2; // two characters per module
}

int korvalModules(const std::string &data)
{
    auto symbol = std::make_unique<QrSymbol>();
    if (!encodeQrSymbol(*symbol, 1, 0, kQrMaskAutomatic, data.c_str()))
        return -1;
    return symbol->size;
}

} // namespace

TEST(LabelLayout, WorkedExampleAtPointEightFive)
{
    const OmbrixLabelLayout layout = layoutAt(0.85);
    EXPECT_EQ(layout.labelWidth, 529);
    EXPECT_EQ(layout.labelHeight, 529);
    EXPECT_EQ(layout.rowWidth, 529);
    EXPECT_EQ(layout.gap, 2);
    EXPECT_EQ(layout.model, QPoint(267, 172));
    EXPECT_EQ(layout.modelHeight, 25);
    EXPECT_EQ(layout.qr, QPoint(71, 211));
    EXPECT_EQ(layout.qrBox, 115);
    EXPECT_EQ(layout.qrMagnification, 5); // 21 modules x 5 = 105 dots of 115
    EXPECT_EQ(layout.identifier, QPoint(123, 327));
    EXPECT_EQ(layout.identifierHeight, 15);
    EXPECT_EQ(layout.serial, QPoint(188, 409));
    EXPECT_EQ(layout.serialHeight, 23);
}

TEST(LabelLayout, OtherResolutionsKeepTheCodeInItsBox)
{
    const OmbrixLabelLayout at203 = layoutAt(254.0 / 203);
    EXPECT_EQ(at203.labelWidth, 360);
    EXPECT_EQ(at203.qr, QPoint(48, 143));
    EXPECT_EQ(at203.qrBox, 78);
    EXPECT_EQ(at203.qrMagnification, 3);
    EXPECT_EQ(at203.identifier, QPoint(83, 221));

    const OmbrixLabelLayout at600 = layoutAt(0.425);
    EXPECT_EQ(at600.labelWidth, 1059);
    EXPECT_EQ(at600.gap, 4);
    EXPECT_EQ(at600.model, QPoint(534, 345));
    EXPECT_EQ(at600.qr, QPoint(143, 423));
    EXPECT_EQ(at600.qrMagnification, 10);
    EXPECT_EQ(at600.identifier, QPoint(248, 655));
    EXPECT_EQ(at600.serial, QPoint(376, 818));

    for (const double pitch : {0.425, 0.85, 254.0 / 203, 254.0 / 300}) {
        for (int version = 1; version <= 40; ++version) {
            const int modules = 17 + 4 * version;
            const OmbrixLabelLayout layout = layoutAt(pitch, modules);
            if (modules <= layout.qrBox) {
                EXPECT_LE(modules * layout.qrMagnification, layout.qrBox);
            }
            EXPECT_GT(modules * (layout.qrMagnification + 1), layout.qrBox);
            EXPECT_GE(layout.qrMagnification, 1);
        }
    }
}

// The left padding reaches the identifier twice (once through the code's x), the top
// padding once.
TEST(LabelLayout, PaddingsShiftEveryItem)
{
    const OmbrixLabelLayout plain = layoutAt(0.85);
    const OmbrixLabelLayout shifted = layoutAt(0.85, 21, 1.5, 1);
    EXPECT_EQ(shifted.model - plain.model, QPoint(18, 12));
    EXPECT_EQ(shifted.qr - plain.qr, QPoint(18, 12));
    EXPECT_EQ(shifted.identifier - plain.identifier, QPoint(36, 12));
    EXPECT_EQ(shifted.serial - plain.serial, QPoint(18, 12));
}

// Byte data (lower case and punctuation) at every version boundary: the module count
// equals qrencode's and korval's; upper-case identifiers, which the printer may pack more
// tightly, never get a larger symbol than the one the layout reserves for.
TEST(QrSize, ModuleCountMatchesEncoders)
{
    const int capacities[] = {14,   26,   42,   62,   84,   106,  122,  152,  180,  213,
                              251,  287,  331,  362,  412,  450,  504,  560,  624,  666,
                              711,  779,  857,  911,  997,  1059, 1125, 1190, 1264, 1370,
                              1452, 1538, 1628, 1722, 1809, 1911, 1989, 2099, 2213, 2331};
    for (int version = 1; version <= 40; ++version) {
        for (const int length : {capacities[version - 1], capacities[version - 1] + 1}) {
            const std::string bytes(size_t(length), 'x');
            const int expected = length > 2331 ? 0 : OmbrixQrSize::moduleCount(length);
            if (length > 2331) {
                EXPECT_EQ(expected, 0);
                EXPECT_EQ(korvalModules(bytes), -1);
                continue;
            }
            SCOPED_TRACE(length);
            EXPECT_EQ(expected, korvalModules(bytes));
            EXPECT_EQ(expected, qrencodeModules(bytes));
            const std::string identifier = "HXKT4R" + std::string(size_t(length - 6), 'A');
            EXPECT_LE(korvalModules(identifier), expected);
        }
    }
    EXPECT_EQ(OmbrixQrSize::moduleCount(12), 21);
    EXPECT_EQ(OmbrixQrSize::moduleCount(0), 21);
}

TEST(QrSize, MagnificationIsAtLeastOne)
{
    EXPECT_EQ(OmbrixQrSize::magnification(21, 115), 5);
    EXPECT_EQ(OmbrixQrSize::magnification(21, 21), 1);
    EXPECT_EQ(OmbrixQrSize::magnification(177, 78), 1);
    EXPECT_EQ(OmbrixQrSize::magnification(0, 78), 1);
}

// Paddings typed by hand and resolutions reported by a queue can be anything: they give
// positions far off the label, never an overflow.
TEST(LabelLayout, HostileLengthsStayFarOff)
{
    EXPECT_EQ(OmbrixLabelLayout::dots(std::nan(""), 0.85), OmbrixLabelLayout::kFar);
    EXPECT_EQ(OmbrixLabelLayout::dots(-1e300, 0.85), -OmbrixLabelLayout::kFar);
    EXPECT_EQ(OmbrixLabelLayout::t(98, 254.0 / 2e9), OmbrixLabelLayout::kFar);
    EXPECT_FALSE(layoutAt(0.85, 21, 1e300).fitsLabel());
    EXPECT_FALSE(layoutAt(0.85, 21, 0, -20).fitsLabel());
    EXPECT_TRUE(layoutAt(0.85, 21, -1, 1.5).fitsLabel());
    EXPECT_EQ(layoutAt(254.0 / 2e9).labelWidth, OmbrixLabelLayout::kFar);
}
