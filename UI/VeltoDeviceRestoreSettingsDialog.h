#pragma once

#include "UI/VeltoDeviceSettingsDialog.h"

#include <QVector>

// Restores the listed devices' factory settings in one message, then asks them again: what
// each answers becomes its row's record.
class VeltoDeviceRestoreSettingsDialog : public VeltoDeviceSettingsDialog
{
    Q_OBJECT

public:
    explicit VeltoDeviceRestoreSettingsDialog(QWidget *parent = nullptr);
    ~VeltoDeviceRestoreSettingsDialog() override;

    void setSettings(const QVector<VeltoDevice> &devices);

    void run() override;

private:
    // The changes of the rows of the devices that answered a search after the reset.
    QVector<VeltoDevice> askAgain();

    QVector<VeltoDevice> devices; // set on the GUI thread before start(); read by the job
};
