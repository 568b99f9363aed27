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
    // would end the command and let the rest be read as commands. The printer binding
    // is the one place that asks.
    static bool isSafeForPrinter(const QString &code);

    // The serial number after this one: the part up to and including the first "-" (none
    // when there is no "-"), then the number after it plus one, zero-padded to at least
    // five digits and never to fewer than it had. The number is every digit after the
    // "-", however many, so serial numbers never come round again. Empty (refused) when
    // that part is not a plain non-negative number: empty, signed, or with anything but
    // the digits 0 to 9 in it.
    static QString nextSerial(const QString &serial);
};
