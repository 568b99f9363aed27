#pragma once

#include <QFile>
#include <QString>

// The scan screen's production run between starts of the program: the model and the
// serial number the next label gets, in <data directory>/configure/label-serial.json. The
// screen stores the serial number after a label before it sends the label, so that a
// program killed at any moment never starts again behind a label already printed; it
// may start one ahead (a serial number left out), never one behind (a number printed
// twice). GUI thread only.
class OmbrixLabelSerial
{
public:
    // Each store is one write of at most this many bytes at the start of the file, which
    // the system never cuts short for a kill; a larger file is not read.
    static constexpr qint64 kMaxFileBytes = 4096;

    static QString defaultPath();

    explicit OmbrixLabelSerial(const QString &path = defaultPath());

    // Reads the file; false (model and serial number empty) when it is missing or is not
    // a regular file of at most kMaxFileBytes holding them.
    bool load();
    QString model() const { return storedModel; }
    QString nextSerial() const { return storedSerial; }

    // Overwrites the file in place; false when it could not be written whole.
    bool store(const QString &model, const QString &nextSerial);

private:
    QString filePath;
    QFile file; // opened by the first store, kept open for the next ones
    QString storedModel;
    QString storedSerial;
};
