#include "UI/VeltoDeviceSettingsDialog.h"

#include "UI/VeltoDevicesWidget.h"
#include "UI/VeltoPanelFont.h"
#include "Velto/VeltoSDK.h"

#include <QMetaObject>
#include <QThread>

VeltoDeviceSettingsDialog::VeltoDeviceSettingsDialog(QWidget *parent) : JXProgressDialog(parent)
{
    useVeltoPanelFont(this);
    VeltoDevice::registerMetaTypes();
}

void VeltoDeviceSettingsDialog::setDevicesWidget(VeltoDevicesWidget *widget)
{
    devicesWidget = widget;
}

void VeltoDeviceSettingsDialog::interrupt()
{
    if (VeltoSDK *sdk = VeltoSDK::instance())
        sdk->cancelWait();
}

void VeltoDeviceSettingsDialog::updateDevices(QVector<VeltoDevice> devices)
{
    if (QThread::currentThread() != QObject::thread()) {
        QMetaObject::invokeMethod(
            this, [this, devices] { updateDevices(devices); }, Qt::QueuedConnection);
        return;
    }
    if (!devicesWidget)
        return;
    QVector<VeltoDevice> merged;
    for (const VeltoDevice &change : qAsConst(devices)) {
        VeltoDevice current = devicesWidget->deviceAt(change.rowIndex);
        if (current.mac() != change.mac())
            continue; // the row shows another device since the dialog began
        const QMap<QString, QString> &values = change.allValues();
        for (auto it = values.begin(); it != values.end(); ++it)
            current.setValue(it.key(), it.value());
        merged.append(current);
    }
    devicesWidget->updateDevices(merged);
}

VeltoDevice VeltoDeviceSettingsDialog::changeOf(const VeltoDevice &device)
{
    VeltoDevice change;
    change.setMac(device.mac());
    change.rowIndex = device.rowIndex;
    return change;
}
