#pragma once

#include "app/OmbrixLabelLog.h"
#include "app/OmbrixLabelRegister.h"

// The register of one station: its labels.csv, with the last serial number per prefix in
// the configuration. The number is stored when a label is reserved, before it is printed,
// so that the stored number is never behind the last label sent even when the program
// dies between the two. A label's line is written when its result is known; the caller
// may choose each label's serial number itself.
class OmbrixFileLabelRegister : public OmbrixLabelRegister
{
public:
    OmbrixFileLabelRegister(const QString &path, const QString &station);

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

    OmbrixLabelLog log;
};
