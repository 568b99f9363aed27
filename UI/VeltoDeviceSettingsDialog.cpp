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
const int kShownNameLength = 32;

QString deviceLabel(const VeltoDevice &device)
{
    const QString name = device.name();
    if (name.isEmpty())
        return device.mac();
    const QString shown =
        name.size() > kShownNameLength ? name.left(kShownNameLength) + QChar(0x2026) : name;
    return QStringLiteral("%1 (%2)").arg(shown, device.mac());
}
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
    if (devicesWidget)
        devicesWidget->updateDevices(devices);
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
