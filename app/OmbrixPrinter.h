#pragma once

#include <QByteArray>
#include <QString>

class OmbrixLibrary;
class OmbrixLabelLayout;

// Prints the device identity label through the printer command library, which is bound
// for each label and released after it. GUI thread only: it may open the printer
// settings dialog, and it blocks until the job has been handed to the printer queue.
class OmbrixPrinter
{
public:
    // What became of one label: the queue it went to, the pitch it was laid out at and,
    // when it was not printed, why (a short English phrase for the label record). A
    // refused label was never tried: its code cannot go to the printer safely. A printed
    // label also carries the spool file the library sent, byte for byte (empty when it
    // could not be read back, and always when nothing was printed).
    struct Outcome
    {
        bool printed = false;
        bool refused = false;
        QString printer;
        double pitch = 0;
        QString reason;
        QByteArray spool;

        // The result as the label record writes it: "printed" (or "reprinted" when the
        // label is a reprint asked for), "refused: " or "failed: " and why.
        QString recordText(bool reprint = false) const;
    };

    // The reason of a label refused because its code holds a character the printer's
    // command cannot carry.
    static const char kUnprintable[];

    // The largest spool file read back for the outcome; a label's job is a few kilobytes.
    static constexpr qint64 kMaxSpoolBytes = 4 * 1024 * 1024;

    // printKT4XQRCode() with its outcome. A non-empty queue is used as it is, without the
    // configured printer and without asking for one (for scripts). A code that is not
    // safe for the printer (OmbrixScanText::isSafeForPrinter) is refused here, for every
    // caller.
    static Outcome printLabel(const QString &p2pid, const QString &model, const QString &serial,
                              const QString &queue = QString());

    // Prints one 45 x 45 mm label with the model, a QR code of the P2P identifier, the
    // identifier as text and the serial number (not changed here). True only when the
    // whole label was handed to the printer queue; on false nothing was sent.
    static bool printKT4XQRCode(const QString &p2pid, const QString &model, QString &serial);

    // Tenths of a millimetre per printer dot for the named queue.
    static double dotPitch(const QString &printerName);

    // Tests print at a pitch no queue can be made to report; 0 asks the queue again.
    static void setDotPitchForTesting(double pitch);

private:
    // The label's three lines as the library takes them.
    struct LabelText
    {
        QByteArray p2pid;
        QByteArray model;
        QByteArray serial;
    };

    static bool choosePrinter(QString &printerName);
    // Sends the label to outcome.printer and fills in the rest of the outcome.
    static void sendLabel(const OmbrixLibrary &library, const OmbrixLabelLayout &layout,
                          const LabelText &text, Outcome &outcome);
    static bool setUp(const OmbrixLibrary &library, const OmbrixLabelLayout &layout);
};
