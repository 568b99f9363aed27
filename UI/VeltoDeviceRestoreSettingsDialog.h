#pragma once

#include "UI/VeltoDeviceSettingsDialog.h"

#include <QVector>

// Restores the listed devices' factory settings in one message. No record changes.
class VeltoDeviceRestoreSettingsDialog : public VeltoDeviceSettingsDialog
{
    Q_OBJECT

public:
    explicit VeltoDeviceRestoreSettingsDialog(QWidget *parent = nullptr);
    ~VeltoDeviceRestoreSettingsDialog() override;

    void setSettings(const QVector<VeltoDevice> &devices);

    void run() override;

private:
    QVector<VeltoDevice> devices; // set on the GUI thread before start(); read by the job
};
