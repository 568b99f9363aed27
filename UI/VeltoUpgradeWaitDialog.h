#pragma once

#include "UI/VeltoDeviceSettingsDialog.h"

#include <QVector>

// After a batch upgrade: searches every 5 s, for up to the given time, until every device
// that took the file has answered again, since a device that was reachable is not yet one
// that was upgraded. Closing the dialog ends the wait early.
class VeltoUpgradeWaitDialog : public VeltoDeviceSettingsDialog
{
    Q_OBJECT

public:
    explicit VeltoUpgradeWaitDialog(QWidget *parent = nullptr);
    ~VeltoUpgradeWaitDialog() override;

    // Waits for devices[i] only when results[i] is 0.
    void setDevices(const QVector<VeltoDevice> &devices, const QVector<int> &results, int seconds);
    void run() override;

    // After uploads with these results: waits as long as the configuration says, writes
    // the answers of the devices that came back with a new version into table (the panel
    // follows it), and returns every device's answer. GUI thread.
    static QVector<VeltoDevice> verify(VeltoDevicesWidget *table,
                                       const QVector<VeltoDevice> &devices,
                                       const QVector<int> &results);

private:
    // Set on the GUI thread before start(); read by the job.
    QVector<VeltoDevice> devices;
    QVector<int> results;
    int seconds = 0;
    QString stepText; // translated on the GUI thread
    // Each device's reply after the upgrade, or an empty record when none came; written by
    // the job only while it runs, read after stopRun().
    QVector<VeltoDevice> answered;
};
