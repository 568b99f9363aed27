#include "app/OmbrixLabelRegister.h"

#include "app/OmbrixFileLabelRegister.h"
#include "app/OmbrixRegisterSettings.h"
#include "app/OmbrixSqlLabelRegister.h"

#include <QHostInfo>
#include <QIODevice>

const char OmbrixLabelRegister::kRegisterKey[] = "label register";
const char OmbrixLabelRegister::kStationKey[] = "station";
const char OmbrixLabelRegister::kDefaultPrefix[] = "SN-";

namespace {
// The state names as labels.csv and the database write them, in the order of State.
const char *const kStateNames[] = {"reserved", "printed", "failed", "refused", "skipped"};
// Serial numbers are zero-padded to this many digits; larger numbers keep all theirs.
const int kSerialDigits = 5;
// Digits a serial number's number may have: every such number fits a 64-bit integer.
const int kMaxSerialDigits = 18;
} // namespace

QString OmbrixLabelRegister::Label::resultText() const
{
    const QString name = QString::fromLatin1(kStateNames[int(state)]);
    return reason.isEmpty() ? name : name + QStringLiteral(": ") + reason;
}

bool OmbrixLabelRegister::Label::setResultText(const QString &text)
{
    const int colon = text.indexOf(QStringLiteral(": "));
    const QString name = colon < 0 ? text : text.left(colon);
    for (int i = 0; i < int(std::size(kStateNames)); ++i) {
        if (name == QLatin1String(kStateNames[i])) {
            state = State(i);
            reason = colon < 0 ? QString() : text.mid(colon + 2);
            return true;
        }
    }
    return false;
}

OmbrixLabelLog::Entry OmbrixLabelRegister::Label::toEntry() const
{
    OmbrixLabelLog::Entry entry;
    entry.time = time;
    entry.code = code;
    entry.model = model;
    entry.serial = serial;
    entry.printer = printer;
    entry.pitch = pitch;
    entry.result = resultText();
    return entry;
}

bool OmbrixLabelRegister::Label::fromEntry(const OmbrixLabelLog::Entry &entry)
{
    if (!setResultText(entry.result))
        return false;
    time = entry.time;
    code = entry.code;
    model = entry.model;
    serial = entry.serial;
    printer = entry.printer;
    pitch = entry.pitch;
    if (!splitSerial(serial, &prefix, &number)) {
        prefix.clear();
        number = -1;
    }
    return true;
}

std::unique_ptr<OmbrixLabelRegister> OmbrixLabelRegister::fromConfiguration()
{
    const QString address = OmbrixRegisterSettings::text(kRegisterKey).trimmed();
    const QString station = configuredStation();
    // Any address at all means a shared register: one mistyped must refuse every label, not
    // leave the station numbering on its own beside the others.
    if (!address.isEmpty())
        return std::make_unique<OmbrixSqlLabelRegister>(address, station);
    return std::make_unique<OmbrixFileLabelRegister>(OmbrixLabelLog::defaultPath(), station);
}

QString OmbrixLabelRegister::configuredStation()
{
    const QString station = OmbrixRegisterSettings::text(kStationKey).trimmed();
    return station.isEmpty() ? QHostInfo::localHostName() : station;
}

bool OmbrixLabelRegister::splitSerial(const QString &serial, QString *prefix, qint64 *number)
{
    const int dash = serial.lastIndexOf(QLatin1Char('-'));
    const QString tail = serial.mid(dash + 1);
    // "SN--0001" reads as a negative number: a serial number must not walk backwards.
    if (tail.isEmpty() || tail.size() > kMaxSerialDigits ||
        (dash > 0 && serial.at(dash - 1) == QLatin1Char('-')))
        return false;
    for (const QChar c : tail) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    *prefix = serial.left(dash + 1);
    *number = tail.toLongLong();
    return true;
}

QString OmbrixLabelRegister::formatSerial(const QString &prefix, qint64 number)
{
    return prefix + QStringLiteral("%1").arg(number, kSerialDigits, 10, QLatin1Char('0'));
}

bool OmbrixLabelRegister::isValidPrefix(const QString &prefix)
{
    if (!prefix.isEmpty() && prefix.back().isDigit())
        return false;
    for (const QChar c : prefix) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return true;
}

OmbrixLabelRegister::OmbrixLabelRegister(const QString &station) : stationName(station)
{}

OmbrixLabelRegister::~OmbrixLabelRegister() = default;

QString OmbrixLabelRegister::station() const
{
    return stationName;
}

QString OmbrixLabelRegister::lastError() const
{
    return error;
}

int OmbrixLabelRegister::fail(int code, const QString &why)
{
    error = why;
    return code;
}

int OmbrixLabelRegister::exportCsv(const Filter &filter, QIODevice *out)
{
    QByteArray chunk = QByteArray(OmbrixLabelLog::kHeader) + '\n';
    bool written = true;
    // Written in pieces: a register of millions of rows is not held in memory twice.
    const int result = exportRows(filter, [&](const Label &label) {
        chunk += OmbrixLabelLog::formatLine(label.toEntry()) + '\n';
        if (chunk.size() >= (1 << 16)) {
            written = written && out->write(chunk) == chunk.size();
            chunk.clear();
        }
    });
    if (result != kOk)
        return result;
    written = written && out->write(chunk) == chunk.size();
    return written ? kOk : fail(kUnavailable, QStringLiteral("the export could not be written"));
}

int OmbrixLabelRegister::importCsv(const QString &, ImportCounts *)
{
    return fail(kNotSupported, QStringLiteral("only a database register imports labels"));
}
