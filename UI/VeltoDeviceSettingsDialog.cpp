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
    if (devicesWidget)
        devicesWidget->updateDevices(devices);
}
