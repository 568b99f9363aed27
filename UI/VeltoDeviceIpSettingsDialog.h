#pragma once

#include "UI/VeltoDeviceSettingsDialog.h"

#include <QString>
#include <QVector>

// Sends either DHCP to the whole list in one message, or a static address to each device
// in turn; records of devices that accepted their address go back to the table.
class VeltoDeviceIpSettingsDialog : public VeltoDeviceSettingsDialog
{
    Q_OBJECT

public:
    explicit VeltoDeviceIpSettingsDialog(QWidget *parent = nullptr);
    ~VeltoDeviceIpSettingsDialog() override;

    // Lists index-aligned with devices; the value lists are not read in DHCP mode.
    void setSettings(const QVector<VeltoDevice> &devices, const QVector<QString> &ipList,
                     const QVector<QString> &netmaskList, const QVector<QString> &gatewayList,
                     const QVector<QString> &dns1List, const QVector<QString> &dns2List, bool dhcp);

    void run() override;

private:
    // Each returns the changes of the devices that took their settings.
    QVector<VeltoDevice> sendDhcp();
    QVector<VeltoDevice> sendStatic();

    // Set on the GUI thread before start(); read by the job.
    QVector<VeltoDevice> devices;
    bool dhcp = false;
    QVector<QString> ipList;
    QVector<QString> netmaskList;
    QVector<QString> gatewayList;
    QVector<QString> dns1List;
    QVector<QString> dns2List;
};
