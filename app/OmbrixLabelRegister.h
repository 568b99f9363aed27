#pragma once

#include "app/OmbrixLabelLog.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;

// Where a production line keeps the record of its labels and takes its serial numbers
// from: the station's own labels.csv (one station), or a database shared by every station
// of the line. One label goes through it in this order: reserve() before anything reaches
// the printer, then finish() with what the printer made of it. A scan that takes no
// number (refused, skipped by the operator) is only noted.
// Every operation blocks until the register has answered; results are 0 or a negative
// code, with lastError() saying why in a line for the operator. One owner, one thread.
class OmbrixLabelRegister
{
public:
    static constexpr int kOk = 0;
    // The register cannot be reached or written: nothing may be printed.
    static constexpr int kUnavailable = -1;
    // The code holds a label already, printed here or at another station (or being
    // printed there right now).
    static constexpr int kPrintedBefore = -2;
    // A serial number or prefix the register cannot number.
    static constexpr int kBadSerial = -3;
    // Asked of a register that does not do it: a serial number chosen by the caller when
    // the register allocates them, an import into the file.
    static constexpr int kNotSupported = -4;

    enum class State
    {
        Reserved, // numbered, on its way to the printer; what became of it is not known
        Printed,
        Failed,  // the printer did not take it; its number stays used, with the reason
        Refused, // the scan could not be printed (no model, unprintable characters...)
        Skipped, // printed before, and the operator chose not to print it again
    };

    struct Label
    {
        qint64 id = 0; // the register's own row number; 0 in the file
        QDateTime time;
        QString code;
        QString model;
        QString serial;     // as printed on the label
        QString prefix;     // the serial number up to and including its last dash
        qint64 number = -1; // the serial number's number; -1 when the label took none
        QString station;
        QString printer;
        double pitch = 0; // tenths of a millimetre per dot; 0 when nothing was laid out
        State state = State::Reserved;
        QString reason; // why it failed, was refused or skipped
        QString version;

        // The labels.csv result: the state, then ": " and the reason when there is one.
        QString resultText() const;
        // The other way round; false for a text that names no state.
        bool setResultText(const QString &text);
        OmbrixLabelLog::Entry toEntry() const;
        // False when the entry's result names no state.
        bool fromEntry(const OmbrixLabelLog::Entry &entry);
    };

    // Rows from since (any time when invalid) of station (every station when empty).
    struct Filter
    {
        QDateTime since;
        QString station;
    };

    struct ImportCounts
    {
        qint64 added = 0;      // rows the register did not hold yet
        qint64 present = 0;    // rows an earlier import brought in already
        qint64 unreadable = 0; // lines that are not labels (the header included)
    };

    // Configuration keys: the register's address (empty for the file) and the station's
    // name (the host name when empty).
    static const char kRegisterKey[];
    static const char kStationKey[];
    // The prefix of a serial number when none is given.
    static const char kDefaultPrefix[];

    // The register the configuration names, not yet reached: <data directory>/log/labels.csv
    // when "label register" is empty, else the database it names (an address that is not
    // one gives a register that refuses every label, saying why).
    static std::unique_ptr<OmbrixLabelRegister> fromConfiguration();
    static QString configuredStation();

    // "SN-00042" → "SN-" and 42: the prefix runs to the last dash (empty without one), the
    // rest must be plain decimal digits that fit 18 places, with no second dash before it as
    // a minus sign ("SN--0001"). False for anything else.
    static bool splitSerial(const QString &serial, QString *prefix, qint64 *number);
    // The prefix and the number with at least five digits: "SN-", 42 → "SN-00042".
    static QString formatSerial(const QString &prefix, qint64 number);
    // A prefix a serial number may be made of: no digits at its end, no control characters.
    static bool isValidPrefix(const QString &prefix);

    explicit OmbrixLabelRegister(const QString &station);
    virtual ~OmbrixLabelRegister();
    OmbrixLabelRegister(const OmbrixLabelRegister &) = delete;
    OmbrixLabelRegister &operator=(const OmbrixLabelRegister &) = delete;

    // True when the register hands out the serial numbers itself and refuses any other.
    virtual bool allocates() const = 0;
    // The register for messages: a file's path, or the database's address without any
    // secret in it.
    virtual QString where() const = 0;
    QString station() const;
    QString lastError() const;

    // Reaches the register (creating its tables or file on first use).
    virtual int open() = 0;

    // Numbers label and records it as reserved. In: code, model, printer, pitch, and either
    // serial (taken as it is; refused by a register that allocates) or prefix (the next
    // number for it). With repeat the code is numbered even when it was printed before.
    // Out on kOk: id, time, serial, prefix, number, station, version, state Reserved.
    // kPrintedBefore leaves nothing recorded and, when earlier is given, fills it with the
    // latest print of the code.
    virtual int reserve(Label &label, bool repeat, Label *earlier) = 0;
    // Records what became of a reserved label: state Printed, or Failed with its reason.
    virtual int finish(const Label &label) = 0;
    // Records a scan that took no number (state Refused or Skipped, with its reason).
    virtual int note(Label &label) = 0;
    // kPrintedBefore with the latest print of code in *earlier (when given), kOk when the
    // code has none, kUnavailable when the register cannot say.
    virtual int findPrinted(const QString &code, Label *earlier) = 0;
    // The serial number the next label of prefix would get.
    virtual int peekNext(const QString &prefix, QString *serial) = 0;

    // Every row the filter lets through, oldest first.
    virtual int exportRows(const Filter &filter, const std::function<void(const Label &)> &row) = 0;
    // The same as labels.csv: its header, then one line per row in its column order.
    int exportCsv(const Filter &filter, QIODevice *out);
    // Loads the labels of a labels.csv file. Importing a file again adds only its lines
    // not imported before; the serial counters continue after the highest number seen.
    virtual int importCsv(const QString &path, ImportCounts *counts);

protected:
    int fail(int code, const QString &why);

private:
    QString stationName;
    QString error;
};
