#include "UI/VeltoDeviceIpSettingsDialog.h"

#include "Velto/VeltoSDK.h"

#include <algorithm>

VeltoDeviceIpSettingsDialog::VeltoDeviceIpSettingsDialog(QWidget *parent)
    : VeltoDeviceSettingsDialog(parent)
{}

VeltoDeviceIpSettingsDialog::~VeltoDeviceIpSettingsDialog()
{
    stopRun(); // the job reads this class's lists
}

void VeltoDeviceIpSettingsDialog::setSettings(const QVector<VeltoDevice> &devices,
                                              const QVector<QString> &ipList,
                                              const QVector<QString> &netmaskList,
                                              const QVector<QString> &gatewayList,
                                              const QVector<QString> &dns1List,
                                              const QVector<QString> &dns2List, bool dhcp)
{
    this->devices = devices;
    this->ipList = ipList;
    this->netmaskList = netmaskList;
    this->gatewayList = gatewayList;
    this->dns1List = dns1List;
    this->dns2List = dns2List;
    this->dhcp = dhcp;
}

void VeltoDeviceIpSettingsDialog::run()
{
    if (VeltoSDK::instance()) {
        if (dhcp)
            sendDhcp();
        else
            sendStatic();
        updateDevices(devices);
    }
    emit _close();
}

void VeltoDeviceIpSettingsDialog::sendDhcp()
{
    if (!noteResult(devices, VeltoSDK::instance()->setDevicesDhcp(devices)))
        return;
    for (VeltoDevice &device : devices)
        device.setIpMode(QStringLiteral("dhcp"));
}

// A device that refuses or does not answer keeps its old values; the others are still
// tried, unless the operator closed the dialog.
void VeltoDeviceIpSettingsDialog::sendStatic()
{
    const int count = std::min({devices.size(), ipList.size(), netmaskList.size(),
                                gatewayList.size(), dns1List.size(), dns2List.size()});
    for (int i = 0; i < count && !isStopped(); ++i) {
        VeltoDevice &device = devices[i];
        const int result = VeltoSDK::instance()->setDeviceIp(
            device, ipList[i], netmaskList[i], gatewayList[i], dns1List[i], dns2List[i]);
        if (!noteResult({device}, result))
            continue;
        device.setIp(ipList[i]);
        device.setNetmask(netmaskList[i]);
        device.setGateway(gatewayList[i]);
        device.setDns1(dns1List[i]);
        device.setDns2(dns2List[i]);
    }
}
