#pragma once

#include "UI/VeltoDeviceSettingsDialog.h"

#include <QString>
#include <QVector>

// Gives every listed device the same name in one message and hands the renamed records
// back to the table.
class VeltoDeviceNameSettingsDialog : public VeltoDeviceSettingsDialog
{
    Q_OBJECT

public:
    explicit VeltoDeviceNameSettingsDialog(QWidget *parent = nullptr);
    ~VeltoDeviceNameSettingsDialog() override;

    // Only the first name is used, for all devices.
    void setSettings(const QVector<VeltoDevice> &devices, const QVector<QString> &names);

    void run() override;

private:
    // Set on the GUI thread before start(); read by the job.
    QVector<VeltoDevice> devices;
    QVector<QString> names;
};
