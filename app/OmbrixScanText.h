#pragma once

#include <QString>

// The text rules of the scan-code label: what a scan holds, whether its code may go to
// the printer, and how the serial number advances.
class OmbrixScanText
{
public:
    // The scan without one trailing line ending (CR LF, CR or LF).
    static QString withoutLineEnding(const QString &scan);

    // The P2P identifier inside a scan: from the first "HXKT4R" (else "HXJT4R") found at
    // position 6 or later to the end; the whole scan when there is none there.
    static QString extractCode(const QString &scan);
    // True when the text holds "HXKT4R" or "HXJT4R" anywhere.
    static bool hasModelMarker(const QString &code);

    // True when every character is printable ASCII other than the double quote. The code
    // goes into the printer's QR command between double quotes, where a quote, CR or LF
    // would end the command and let the rest be read as commands.
    static bool isSafeForPrinter(const QString &code);

    // The serial number after this one: the part up to the first "-", then the number
    // read with "%5d" from the rest plus one, as "%05d" (1 when nothing is read).
    static QString nextSerial(const QString &serial);
};
