#include "app/OmbrixScanText.h"

namespace {
// The device models whose code carries a P2P identifier.
const QString kMarkers[] = {QStringLiteral("HXKT4R"), QStringLiteral("HXJT4R")};
// Scanners put a prefix of this length before the identifier.
const int kMarkerSearchFrom = 6;
// The serial number's digits are zero-padded to this many, as production labels always were.
const int kSerialDigits = 5;
} // namespace

QString OmbrixScanText::withoutLineEnding(const QString &scan)
{
    if (scan.endsWith(QStringLiteral("\r\n")))
        return scan.left(scan.size() - 2);
    if (scan.endsWith(QLatin1Char('\r')) || scan.endsWith(QLatin1Char('\n')))
        return scan.left(scan.size() - 1);
    return scan;
}

QString OmbrixScanText::extractCode(const QString &scan)
{
    for (const QString &marker : kMarkers) {
        const int at = scan.indexOf(marker, kMarkerSearchFrom, Qt::CaseSensitive);
        if (at >= 0)
            return scan.mid(at);
    }
    return scan;
}

bool OmbrixScanText::hasModelMarker(const QString &code)
{
    for (const QString &marker : kMarkers) {
        if (code.contains(marker, Qt::CaseSensitive))
            return true;
    }
    return false;
}

bool OmbrixScanText::isSafeForPrinter(const QString &code)
{
    for (const QChar c : code) {
        const ushort u = c.unicode();
        if (u < 0x20 || u > 0x7e || u == '"')
            return false;
    }
    return true;
}

QString OmbrixScanText::nextSerial(const QString &serial)
{
    const int dash = serial.indexOf(QLatin1Char('-'));
    QString digits = serial.mid(dash + 1);
    if (digits.isEmpty())
        return QString();
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QString();
    }
    // Decimal addition on the text itself: no integer type bounds how far a run goes.
    int at = digits.size() - 1;
    for (; at >= 0 && digits[at] == QLatin1Char('9'); --at)
        digits[at] = QLatin1Char('0');
    if (at >= 0)
        digits[at] = QChar(digits[at].unicode() + 1);
    else
        digits.prepend(QLatin1Char('1'));
    return serial.left(dash + 1) + digits.rightJustified(kSerialDigits, QLatin1Char('0'));
}
