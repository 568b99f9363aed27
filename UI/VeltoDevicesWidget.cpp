#include "UI/VeltoDevicesWidget.h"

VeltoDevicesWidget::VeltoDevicesWidget(QWidget *parent) : JXWidget(parent)
{}

void VeltoDevicesWidget::setDevices(const QVector<VeltoDevice> &list)
{
    devices = list;
    for (int i = 0; i < devices.size(); ++i)
        devices[i].rowIndex = i;
}

VeltoDevice VeltoDevicesWidget::deviceAt(int row) const
{
    if (row < 0 || row >= devices.size())
        return VeltoDevice();
    return devices.at(row);
}

void VeltoDevicesWidget::updateDevices(const QVector<VeltoDevice> &changed)
{
    for (const VeltoDevice &update : changed) {
        for (VeltoDevice &device : devices) {
            if (device.rowIndex == update.rowIndex) {
                device = update;
                break;
            }
        }
    }
}
