#include "UI/VeltoDeviceSettingsDialog.h"

#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXDialog/JXAlertDialog.h"
#include "UI/VeltoDevicesWidget.h"
#include "UI/VeltoPanelFont.h"
#include "Velto/VeltoSDK.h"

#include <QMetaObject>
#include <QThread>

namespace {
// A name may be a kilobyte long; the message shows its start.
constexpr int kShownNameLength = 32;
} // namespace

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

VeltoDevice VeltoDeviceSettingsDialog::changeFromAnswer(const VeltoDevice &device,
                                                        const VeltoDevice &answer)
{
    VeltoDevice change = answer;
    change.setMac(device.mac()); // the table's spelling, which the answer may not keep
    change.rowIndex = device.rowIndex;
    return change;
}

void VeltoDeviceSettingsDialog::noteFailure(const VeltoDevice &device, const QString &reason,
                                            const QString &detail)
{
    failed.append({device, reason, detail});
}

bool VeltoDeviceSettingsDialog::noteResult(const QVector<VeltoDevice> &devices, int result)
{
    if (result >= 0)
        return true;
    const QString reason = VeltoSDK::lastRequestAnswered() ? QStringLiteral("refused by the device")
                                                           : QStringLiteral("no answer within 3 s");
    for (const VeltoDevice &device : devices)
        noteFailure(device, reason);
    return false;
}

QString VeltoDeviceSettingsDialog::deviceLabel(const VeltoDevice &device)
{
    const QString name = device.name();
    if (name.isEmpty())
        return device.mac();
    const QString shown =
        name.size() > kShownNameLength ? name.left(kShownNameLength) + QChar(0x2026) : name;
    return QStringLiteral("%1 (%2)").arg(shown, device.mac());
}

QStringList VeltoDeviceSettingsDialog::failures() const
{
    QStringList lines;
    for (const Failure &failure : failed) {
        lines << QStringLiteral("%1: %2%3")
                     .arg(deviceLabel(failure.device), translate(failure.reason), failure.detail);
    }
    return lines;
}

void VeltoDeviceSettingsDialog::done(int result)
{
    // A job stopped by a close still ends with _close(), after the dialog has gone.
    const bool running = isVisible();
    JXProgressDialog::done(result);
    if (running && result == QDialog::Accepted && !failed.isEmpty()) {
        JXAlertDialog::tell(translate(QStringLiteral("Not done:")) + QLatin1Char('\n') +
                            failures().join(QLatin1Char('\n')));
    }
}
