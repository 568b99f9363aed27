#include "UI/VeltoDeviceRestoreSettingsDialog.h"

#include "Velto/VeltoSDK.h"

VeltoDeviceRestoreSettingsDialog::VeltoDeviceRestoreSettingsDialog(QWidget *parent)
    : VeltoDeviceSettingsDialog(parent)
{}

VeltoDeviceRestoreSettingsDialog::~VeltoDeviceRestoreSettingsDialog()
{
    stopRun(); // the job reads this class's list
}

void VeltoDeviceRestoreSettingsDialog::setSettings(const QVector<VeltoDevice> &devices)
{
    this->devices = devices;
}

void VeltoDeviceRestoreSettingsDialog::run()
{
    if (VeltoSDK *sdk = VeltoSDK::instance())
        noteResult(devices, sdk->resetDevices(devices));
    emit _close();
}
