#pragma once

#include "JXWidget/JXDialog/JXProgressDialog.h"
#include "Velto/VeltoDevice.h"

#include <QStringList>
#include <QVector>

class VeltoDevicesWidget;

// Base of the dialogs that send one device operation on their worker thread while the
// operator waits in front of a progress bar. The job hands changed records back through
// updateDevices(), then emits _close(); closing the dialog ends any reply wait at once.
class VeltoDeviceSettingsDialog : public JXProgressDialog
{
    Q_OBJECT

public:
    explicit VeltoDeviceSettingsDialog(QWidget *parent = nullptr);

    // The table that takes the changed records; may stay null.
    void setDevicesWidget(VeltoDevicesWidget *widget);
    // Ends the protocol's reply wait the job may be blocked in. GUI thread.
    void interrupt() override;

    // An empty change of device: its MAC and table row, to which a job adds only the
    // fields it changed.
    static VeltoDevice changeOf(const VeltoDevice &device);
    // A device's answer as a change of device's row: every field it reported.
    static VeltoDevice changeFromAnswer(const VeltoDevice &device, const VeltoDevice &answer);

    // How an alert names device: its name, cut short, and its MAC.
    static QString deviceLabel(const VeltoDevice &device);
    // One line per device the job could not change: its name, MAC and why, translated.
    // GUI thread, once the job has ended.
    QStringList failures() const;
    // A job that ended by itself with failures tells them before exec() returns.
    void done(int result) override;

public slots:
    // On the GUI thread: writes each change's fields into the table's current record of
    // that row and MAC, so that a dialog never writes back what it did not change. From
    // any other thread: posts itself to the GUI thread with a copy, ahead of the _close()
    // that follows it.
    void updateDevices(QVector<VeltoDevice> devices);

protected:
    // Job thread: device keeps its old values because of reason (English; translated when
    // shown), followed by detail as it is.
    void noteFailure(const VeltoDevice &device, const QString &reason,
                     const QString &detail = QString());
    // Job thread: notes a failure for each of devices unless result, the calling thread's
    // last setting command's, is 0 or more; true when it is.
    bool noteResult(const QVector<VeltoDevice> &devices, int result);

private:
    VeltoDevicesWidget *devicesWidget = nullptr; // not owned; outlives the dialog; GUI thread
    struct Failure
    {
        VeltoDevice device;
        QString reason;
        QString detail;
    };
    // Written by the job; read on the GUI thread once the job has been joined.
    QVector<Failure> failed;
};
