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
        updateDevices(dhcp ? sendDhcp() : sendStatic());
    }
    emit _close();
}

QVector<VeltoDevice> VeltoDeviceIpSettingsDialog::sendDhcp()
{
    QVector<VeltoDevice> changes;
    if (!noteResult(devices, VeltoSDK::instance()->setDevicesDhcp(devices)))
        return changes;
    for (const VeltoDevice &device : qAsConst(devices)) {
        VeltoDevice change = changeOf(device);
        change.setIpMode(QStringLiteral("dhcp"));
        changes.append(change);
    }
    return changes;
}

// A device that refuses or does not answer keeps its old values; the others are still
// tried, unless the operator closed the dialog.
QVector<VeltoDevice> VeltoDeviceIpSettingsDialog::sendStatic()
{
    QVector<VeltoDevice> changes;
    const int count = std::min({devices.size(), ipList.size(), netmaskList.size(),
                                gatewayList.size(), dns1List.size(), dns2List.size()});
    for (int i = 0; i < count && !isStopped(); ++i) {
        const int result = VeltoSDK::instance()->setDeviceIp(
            devices[i], ipList[i], netmaskList[i], gatewayList[i], dns1List[i], dns2List[i]);
        if (!noteResult({devices[i]}, result))
            continue;
        VeltoDevice change = changeOf(devices[i]);
        change.setIp(ipList[i]);
        change.setNetmask(netmaskList[i]);
        change.setGateway(gatewayList[i]);
        change.setDns1(dns1List[i]);
        change.setDns2(dns2List[i]);
        changes.append(change);
    }
    return changes;
}
