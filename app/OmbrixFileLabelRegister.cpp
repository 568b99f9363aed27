#include "app/OmbrixFileLabelRegister.h"

#include "app/OmbrixRegisterSettings.h"

#include <QFile>

namespace {
// Longest line read back on export; longer ones are not labels the program wrote.
const qint64 kMaxLineBytes = 64 * 1024;
} // namespace

OmbrixFileLabelRegister::OmbrixFileLabelRegister(const QString &path, const QString &station)
    : OmbrixLabelRegister(station), log(path)
{}

bool OmbrixFileLabelRegister::allocates() const
{
    return false;
}

QString OmbrixFileLabelRegister::where() const
{
    return log.path();
}

int OmbrixFileLabelRegister::open()
{
    return ensureOpen();
}

int OmbrixFileLabelRegister::ensureOpen()
{
    if (log.isOpen() || log.open())
        return kOk;
    return fail(kUnavailable, QStringLiteral("cannot open %1").arg(log.path()));
}

int OmbrixFileLabelRegister::reserve(Label &label, bool repeat, Label *earlier)
{
    if (ensureOpen() != kOk)
        return kUnavailable;
    if (!repeat && findPrinted(label.code, earlier) == kPrintedBefore)
        return fail(kPrintedBefore, QStringLiteral("printed before"));
    if (label.serial.isEmpty()) {
        if (!isValidPrefix(label.prefix))
            return fail(kBadSerial, QStringLiteral("not a serial number prefix"));
        label.number = OmbrixRegisterSettings::lastSerial(label.prefix) + 1;
        label.serial = formatSerial(label.prefix, label.number);
    } else if (!splitSerial(label.serial, &label.prefix, &label.number)) {
        return fail(kBadSerial, QStringLiteral("not a serial number: %1").arg(label.serial));
    }
    if (!OmbrixRegisterSettings::raiseLastSerial(label.prefix, label.number))
        return fail(kUnavailable, QStringLiteral("the serial number could not be stored"));
    label.time = QDateTime::currentDateTime();
    label.station = station();
    label.version = QStringLiteral(LANKIT_VERSION);
    label.state = State::Reserved;
    return kOk;
}

int OmbrixFileLabelRegister::append(const Label &label)
{
    if (ensureOpen() != kOk)
        return kUnavailable;
    if (!log.append(label.toEntry()))
        return fail(kUnavailable, QStringLiteral("cannot write %1").arg(log.path()));
    return kOk;
}

int OmbrixFileLabelRegister::finish(const Label &label)
{
    return append(label);
}

int OmbrixFileLabelRegister::note(Label &label)
{
    label.time = QDateTime::currentDateTime();
    label.station = station();
    label.version = QStringLiteral(LANKIT_VERSION);
    return append(label);
}

int OmbrixFileLabelRegister::findPrinted(const QString &code, Label *earlier)
{
    if (ensureOpen() != kOk)
        return kUnavailable;
    OmbrixLabelLog::Entry entry;
    if (!log.findPrinted(code, &entry))
        return kOk;
    if (earlier) {
        earlier->fromEntry(entry);
        earlier->station = station();
    }
    return kPrintedBefore;
}

int OmbrixFileLabelRegister::peekNext(const QString &prefix, QString *serial)
{
    if (!isValidPrefix(prefix))
        return fail(kBadSerial, QStringLiteral("not a serial number prefix"));
    *serial = formatSerial(prefix, OmbrixRegisterSettings::lastSerial(prefix) + 1);
    return kOk;
}

int OmbrixFileLabelRegister::exportRows(const Filter &filter,
                                        const std::function<void(const Label &)> &row)
{
    // The file holds this station's labels only.
    if (!filter.station.isEmpty() && filter.station != station())
        return kOk;
    QFile file(log.path());
    if (!file.open(QIODevice::ReadOnly))
        return fail(kUnavailable, QStringLiteral("cannot read %1").arg(log.path()));
    bool inLongLine = false;
    while (!file.atEnd()) {
        QByteArray line = file.readLine(kMaxLineBytes);
        // A line longer than any label, or cut short by a crash, is no label.
        const bool whole = line.endsWith('\n');
        const bool skip = inLongLine || !whole;
        inLongLine = !whole;
        if (skip)
            continue;
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        OmbrixLabelLog::Entry entry;
        Label label;
        if (!OmbrixLabelLog::parseLine(line, &entry) || !label.fromEntry(entry))
            continue;
        if (filter.since.isValid() && label.time < filter.since)
            continue;
        label.station = station();
        row(label);
    }
    return kOk;
}
