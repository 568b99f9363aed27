#include "UI/VeltoDeviceNameSettingsDialog.h"

#include "Velto/VeltoSDK.h"

VeltoDeviceNameSettingsDialog::VeltoDeviceNameSettingsDialog(QWidget *parent)
    : VeltoDeviceSettingsDialog(parent)
{}

VeltoDeviceNameSettingsDialog::~VeltoDeviceNameSettingsDialog()
{
    stopRun(); // the job reads this class's lists
}

void VeltoDeviceNameSettingsDialog::setSettings(const QVector<VeltoDevice> &devices,
                                                const QVector<QString> &names)
{
    this->devices = devices;
    this->names = names;
}

void VeltoDeviceNameSettingsDialog::run()
{
    VeltoSDK *sdk = VeltoSDK::instance();
    if (sdk && !names.isEmpty()) {
        const QString name = names.first();
        if (noteResult(devices, sdk->setDevicesName(devices, name))) {
            QVector<VeltoDevice> changes;
            for (const VeltoDevice &device : qAsConst(devices)) {
                VeltoDevice change = changeOf(device);
                change.setName(name);
                changes.append(change);
            }
            updateDevices(changes);
        }
    }
    emit _close();
}
