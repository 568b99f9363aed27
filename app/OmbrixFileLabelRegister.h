#pragma once

#include "app/OmbrixLabelLog.h"
#include "app/OmbrixLabelRegister.h"
#include "app/OmbrixLabelSerial.h"

// The register of one station: its labels.csv, with the scan screen's serial store
// (configure/label-serial.json) as its counter, so the screen and lankitctl count on from
// the same number. The next number is stored when a label is reserved, before it is
// printed, so that the stored number is never behind the last label sent even when the
// program dies between the two. A label's line is written when its result is known; the
// caller may choose each label's serial number itself, and the count follows it.
class OmbrixFileLabelRegister : public OmbrixLabelRegister
{
public:
    // serialPath: the serial store; the scan screen's own unless a test says otherwise.
    OmbrixFileLabelRegister(const QString &path, const QString &station,
                            const QString &serialPath = OmbrixLabelSerial::defaultPath());

    bool allocates() const override;
    QString where() const override;
    int open() override;
    int reserve(Label &label, bool repeat, Label *earlier) override;
    int finish(const Label &label) override;
    int note(Label &label) override;
    int findPrinted(const QString &code, Label *earlier) override;
    int peekNext(const QString &prefix, QString *serial) override;
    int exportRows(const Filter &filter, const std::function<void(const Label &)> &row) override;

private:
    int ensureOpen();
    int append(const Label &label);
    // The serial number the store gives prefix next: its stored one when of this prefix,
    // else the first.
    QString storedNext(const QString &prefix);

    OmbrixLabelLog log;
    OmbrixLabelSerial serials;
};
