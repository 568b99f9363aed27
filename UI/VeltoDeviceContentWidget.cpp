#include "UI/VeltoDeviceContentWidget.h"

VeltoDeviceContentWidget::VeltoDeviceContentWidget(QWidget *parent) : JXToast(parent)
{}

void VeltoDeviceContentWidget::setDevicesWidget(VeltoDevicesWidget *widget)
{
    devicesWidget = widget;
}

void VeltoDeviceContentWidget::setDevice(const VeltoDevice &d)
{
    shownDevice = d;
}

VeltoDevice VeltoDeviceContentWidget::device() const
{
    return shownDevice;
}
