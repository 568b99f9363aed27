#include "UI/VeltoDeviceContentWidget.h"

#include "UI/VeltoDevicesWidget.h"

VeltoDeviceContentWidget::VeltoDeviceContentWidget(QWidget *parent) : JXToast(parent)
{}

void VeltoDeviceContentWidget::setDevicesWidget(VeltoDevicesWidget *widget)
{
    if (devicesWidget)
        disconnect(devicesWidget, nullptr, this, nullptr);
    devicesWidget = widget;
    if (widget) {
        connect(widget, &VeltoDevicesWidget::devicesUpdated, this,
                &VeltoDeviceContentWidget::takeCurrentRecord);
    }
}

// The record shown may have been changed by a dialog (the panel's or the table's own
// batch menu): what the panel shows and sends next must be the device as it is now, not
// the copy taken when the row was selected.
void VeltoDeviceContentWidget::takeCurrentRecord()
{
    if (!devicesWidget || !shownDevice.hasMac())
        return;
    const VeltoDevice current = devicesWidget->deviceAt(shownDevice.rowIndex);
    if (current.mac() == shownDevice.mac())
        setDevice(current);
}

void VeltoDeviceContentWidget::setDevice(const VeltoDevice &d)
{
    shownDevice = d;
}

VeltoDevice VeltoDeviceContentWidget::device() const
{
    return shownDevice;
}
