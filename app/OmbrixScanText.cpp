#include "app/OmbrixScanText.h"

#include <cstdio>

namespace {
// The device models whose code carries a P2P identifier.
const QString kMarkers[] = {QStringLiteral("HXKT4R"), QStringLiteral("HXJT4R")};
// Scanners put a prefix of this length before the identifier.
const int kMarkerSearchFrom = 6;
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
    const QString prefix = serial.left(dash + 1);
    const QByteArray tail = serial.mid(dash + 1).toUtf8();
    int n = 0;
    if (std::sscanf(tail.constData(), "%5d", &n) != 1)
        n = 0;
    char next[16];
    std::snprintf(next, sizeof next, "%05d", n + 1);
    return prefix + QString::fromLatin1(next);
}
