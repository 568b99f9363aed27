#include "app/OmbrixPrinter.h"

#include "JXUtils/JXConfigure.h"
#include "JXUtils/JXRegularFile.h"
#include "app/JXPrinterSettingsDialog.h"
#include "app/OmbrixLabelLayout.h"
#include "app/OmbrixLabelLog.h"
#include "app/OmbrixLibrary.h"
#include "app/OmbrixQrSize.h"
#include "app/OmbrixQueueResolution.h"
#include "app/OmbrixScanText.h"

#include <QDebug>
#include <QDir>

namespace {
// The only label this binding prints, in millimetres.
const double kLabelSide = 45;
const double kLabelPadding = 2;
// Pitch of a queue that states no resolution, and of the 600-dpi model when its queue
// cannot be read (tenths of a millimetre per dot).
const double kDefaultPitch = 0.85;
const double kK7300Pitch = 0.425;
const double kTenthsPerInch = 254;
// Printer set-up of the label stock.
const int kDarkness = 14;
const int kSpeed = 5;
const char kDirection = 'B';
// QR command fields: model 2, level M, automatic mask.
const int kQrP3 = 1;
const int kQrP4 = 2;
const int kQrRotation = 0;
const int kQrModel = 2;
const int kQrLevel = 1;
const int kQrMaskAuto = 8;
// The largest label side, in dots, that the printer's set-up commands accept.
const int kMaxLabelDots = 65535;

// Reads the label geometry and stores it back with this label's fixed size; the side
// paddings stay as read (the scan dialog edits left and top).
OmbrixLabelLayout::Geometry forceLabelGeometry()
{
    JXConfigure configure;
    double width = 0, height = 0, left = 0, top = 0, right = 0, bottom = 0, padding = 0;
    int columns = 0;
    configure.labelSettings(width, height, columns, left, top, right, bottom, padding);
    OmbrixLabelLayout::Geometry geometry;
    geometry.width = kLabelSide;
    geometry.height = kLabelSide;
    geometry.columns = 1;
    geometry.paddingLeft = left;
    geometry.paddingTop = top;
    // Writing the file costs more than the rest of a label; skip it when nothing changes.
    if (width != geometry.width || height != geometry.height || columns != geometry.columns ||
        padding != kLabelPadding)
        configure.setLabelSettings(geometry.width, geometry.height, geometry.columns, left, top,
                                   right, bottom, kLabelPadding);
    return geometry;
}

// The spool file the library has just sent: it writes it in the current folder when the
// buffer is cleared and removes it when the port closes, so it is read before that.
QByteArray sentSpool()
{
    QByteArray spool;
    const QString path = QDir::currentPath() + QStringLiteral("/ombrixtemp.prn");
    if (!JXRegularFile::read(path, OmbrixPrinter::kMaxSpoolBytes, spool))
        qDebug() << "spool file not read back" << path;
    return spool;
}

// GUI thread only; 0 unless a test sets it.
double &pitchForTesting()
{
    static double pitch = 0;
    return pitch;
}

// Closes the port on every path once it may be open (harmless when it is not).
class PortGuard
{
public:
    explicit PortGuard(const OmbrixLibrary &library) : library(library) {}
    ~PortGuard() { library.closePort()(); }
    PortGuard(const PortGuard &) = delete;
    PortGuard &operator=(const PortGuard &) = delete;

private:
    const OmbrixLibrary &library;
};
} // namespace

void OmbrixPrinter::setDotPitchForTesting(double pitch)
{
    pitchForTesting() = pitch;
}

double OmbrixPrinter::dotPitch(const QString &printerName)
{
    if (pitchForTesting() > 0)
        return pitchForTesting();
    const OmbrixQueueResolution queue = OmbrixQueueResolution::query(printerName);
    double pitch = 0;
    if (queue.state == OmbrixQueueResolution::State::Known)
        pitch = kTenthsPerInch / queue.verticalDpi;
    else if (queue.state == OmbrixQueueResolution::State::NoResolution)
        pitch = kDefaultPitch;
    if (pitch < 1e-8)
        pitch = printerName.contains(QStringLiteral("K7300")) ? kK7300Pitch : kDefaultPitch;
    return pitch;
}

bool OmbrixPrinter::choosePrinter(QString &printerName)
{
    if (!printerName.isEmpty() && printerName.contains(QStringLiteral("OMBRIX")))
        return true;
    JXPrinterSettingsDialog dialog;
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // The printer just chosen, not the one configured before the dialog.
    printerName = JXConfigure().printerName();
    return true;
}

bool OmbrixPrinter::printKT4XQRCode(const QString &p2pid, const QString &model, QString &serial)
{
    return printLabel(p2pid, model, serial).printed;
}

const char OmbrixPrinter::kUnprintable[] = "unprintable characters";

QString OmbrixPrinter::Outcome::recordText(bool reprint) const
{
    if (printed)
        return QString::fromLatin1(reprint ? OmbrixLabelLog::kReprinted : OmbrixLabelLog::kPrinted);
    return (refused ? QStringLiteral("refused: ") : QStringLiteral("failed: ")) + reason;
}

OmbrixPrinter::Outcome OmbrixPrinter::printLabel(const QString &p2pid, const QString &model,
                                                 const QString &serial, const QString &queue)
{
    Outcome outcome;
    if (!OmbrixScanText::isSafeForPrinter(p2pid)) {
        qDebug() << "refused identifier" << p2pid.toUtf8().toHex();
        outcome.refused = true;
        outcome.reason = QString::fromLatin1(kUnprintable);
        return outcome;
    }
    OmbrixLibrary library;
    if (!library.isBound()) {
        qDebug("init ombrix failure");
        outcome.reason = QStringLiteral("printer library not loaded");
        return outcome;
    }
    const LabelText text{p2pid.toUtf8(), model.toUtf8(), serial.toUtf8()};
    QString printerName = queue.isEmpty() ? JXConfigure().printerName() : queue;
    const OmbrixLabelLayout::Geometry geometry = forceLabelGeometry();
    if (queue.isEmpty() && !choosePrinter(printerName)) {
        outcome.reason = QStringLiteral("no printer chosen");
        return outcome;
    }
    outcome.printer = printerName;
    const double pitch = dotPitch(printerName);
    outcome.pitch = pitch;
    const int modules = OmbrixQrSize::moduleCount(text.p2pid.size());
    const OmbrixLabelLayout layout(pitch, geometry, modules);
    if (modules == 0 || layout.labelWidth > kMaxLabelDots || layout.labelHeight > kMaxLabelDots ||
        !layout.fitsLabel()) {
        qDebug("%s %d cannot lay out %d bytes at %lf", "OmbrixPrinter::printKT4XQRCode", __LINE__,
               int(text.p2pid.size()), pitch);
        outcome.reason = QStringLiteral("label does not fit");
        return outcome;
    }
    sendLabel(library, layout, text, outcome);
    return outcome;
}

bool OmbrixPrinter::setUp(const OmbrixLibrary &library, const OmbrixLabelLayout &layout)
{
    return library.clearBuffer()() == 0 &&
           library.setLabelHeight()(layout.labelHeight, unsigned(layout.gap), 0, 0) == 0 &&
           library.setLabelWidth()(layout.rowWidth) == 0 && library.setDarkness()(kDarkness) == 0 &&
           library.setPrintSpeed()(kSpeed) == 0 && library.setDirection()(kDirection) == 0;
}

void OmbrixPrinter::sendLabel(const OmbrixLibrary &library, const OmbrixLabelLayout &layout,
                              const LabelText &text, Outcome &outcome)
{
    PortGuard port(library);
    const QByteArray printerName = outcome.printer.toUtf8();
    const int opened = library.openPort()(printerName.constData());
    if (opened != 0) {
        qDebug("%s %d open %s = %d", "OmbrixPrinter::printKT4XQRCode", __LINE__,
               printerName.constData(), opened);
        outcome.reason = QStringLiteral("cannot open printer (%1)").arg(opened);
        return;
    }
    qDebug("%s %d %lf %s %s %s\n", "OmbrixPrinter::printKT4XQRCode", __LINE__, layout.pitch,
           text.model.constData(), text.serial.constData(), text.p2pid.constData());
    if (!setUp(library, layout)) {
        outcome.reason = QStringLiteral("printer set-up failed");
        return;
    }
    qDebug("%s %d rect 1 = (%d,%d,%d,%d)\n", "OmbrixPrinter::printKT4XQRCode", __LINE__, 0, 0,
           layout.labelWidth, layout.labelHeight);
    const auto draw = library.drawTextTrueType();
    // A line whose text cannot be rendered leaves the rest of the label intact.
    draw(unsigned(layout.model.x()), unsigned(layout.model.y()), layout.modelHeight, 0, "Arial", 1,
         500, 0, 0, 0, "ModelStr", text.model.constData());
    // Without its code the label is wrong: nothing is printed then.
    if (library.drawQr()(layout.qr.x(), layout.qr.y(), kQrP3, kQrP4, kQrRotation,
                         layout.qrMagnification, kQrModel, kQrLevel, kQrMaskAuto,
                         text.p2pid.constData()) != 0) {
        outcome.reason = QStringLiteral("QR code failed");
        return;
    }
    draw(unsigned(layout.identifier.x()), unsigned(layout.identifier.y()), layout.identifierHeight,
         0, "Arial Narrow", 5, 700, 0, 0, 0, "P2PIDStr", text.p2pid.constData());
    draw(unsigned(layout.serial.x()), unsigned(layout.serial.y()), layout.serialHeight, 0, "Arial",
         1, 600, 0, 0, 0, "SNStr", text.serial.constData());
    const int printed = library.printLabel()(1, 1);
    if (printed != 0) {
        qDebug("%s %d print = %d", "OmbrixPrinter::printKT4XQRCode", __LINE__, printed);
        outcome.reason = QStringLiteral("print job failed (%1)").arg(printed);
        return;
    }
    outcome.spool = sentSpool();
    outcome.printed = true;
}
