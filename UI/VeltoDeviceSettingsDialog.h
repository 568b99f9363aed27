#pragma once

#include "JXWidget/JXDialog/JXProgressDialog.h"
#include "Velto/VeltoDevice.h"

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

public slots:
    // On the GUI thread: writes each change's fields into the table's current record of
    // that row and MAC, so that a dialog never writes back what it did not change. From
    // any other thread: posts itself to the GUI thread with a copy, ahead of the _close()
    // that follows it.
    void updateDevices(QVector<VeltoDevice> devices);

private:
    VeltoDevicesWidget *devicesWidget = nullptr; // not owned; outlives the dialog; GUI thread
};
