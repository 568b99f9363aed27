#include "UI/VeltoDeviceFirmwareSettingsDialog.h"

#include "JXUtils/JXLocalize.h"
#include "Velto/VeltoSDK.h"

#include <QDebug>

#include <algorithm>

namespace {
qint64 kilobytes(qint64 bytes)
{
    return (bytes + 1023) / 1024;
}
} // namespace

VeltoDeviceFirmwareSettingsDialog::VeltoDeviceFirmwareSettingsDialog(QWidget *parent)
    : VeltoDeviceSettingsDialog(parent), stepText(translate(QStringLiteral("Upgrading firmware")))
{
    setProgressRange(0, 100);
    setMessage(stepText);
    connect(this, &VeltoDeviceFirmwareSettingsDialog::_uploadProgress, this,
            &VeltoDeviceFirmwareSettingsDialog::showUploadProgress);
}

VeltoDeviceFirmwareSettingsDialog::~VeltoDeviceFirmwareSettingsDialog()
{
    stopRun(); // the job reads this class's lists
}

void VeltoDeviceFirmwareSettingsDialog::setSettings(const QVector<VeltoDevice> &devices,
                                                    const QVector<QString> &files)
{
    this->devices = devices;
    this->files = files;
}

void VeltoDeviceFirmwareSettingsDialog::run()
{
    const int count = std::min(devices.size(), files.size());
    results = QVector<int>(count, kNotSent);
    if (VeltoSDK::instance()) {
        for (int i = 0; i < count && !isStopped(); ++i) {
            deviceNumber.store(count > 1 ? i + 1 : 0);
            results[i] = upload(devices[i], files[i]);
        }
    }
    emit _close();
}

void VeltoDeviceFirmwareSettingsDialog::interrupt()
{
    VeltoDeviceSettingsDialog::interrupt();
    if (VeltoSDK *sdk = VeltoSDK::instance())
        sdk->cancelUpload();
}

int VeltoDeviceFirmwareSettingsDialog::upload(const VeltoDevice &device, const QString &file)
{
    reportedPercent = -1;
    const int result = VeltoSDK::instance()->setDeviceFirmware(
        device, file, [this](qint64 sent, qint64 total) { reportProgress(sent, total); });
    if (result == 0) {
        qDebug("firmware %s upgraded on %s", qUtf8Printable(file), qUtf8Printable(device.mac()));
        return result;
    }
    qDebug("firmware %s not upgraded on %s: %s, result %d", qUtf8Printable(file),
           qUtf8Printable(device.mac()), isStopped() ? "cancelled" : "failed", result);
    return result;
}

// Runs on the worker inside the upload. A close that came just before the upload began
// found no upload to cancel; the first report after it ends the upload instead.
void VeltoDeviceFirmwareSettingsDialog::reportProgress(qint64 sent, qint64 total)
{
    if (isStopped()) {
        VeltoSDK::instance()->cancelUpload();
        return;
    }
    const int percent = static_cast<int>(sent * 100 / total);
    if (percent == reportedPercent)
        return;
    reportedPercent = percent;
    emit _uploadProgress(sent, total);
}

void VeltoDeviceFirmwareSettingsDialog::showUploadProgress(qint64 sent, qint64 total)
{
    setProgress(static_cast<float>(static_cast<double>(sent) / static_cast<double>(total)));
    const int number = deviceNumber.load();
    const QString step = number > 0 ? QStringLiteral("%1 %2/%3")
                                          .arg(stepText)
                                          .arg(number)
                                          .arg(std::min(devices.size(), files.size()))
                                    : stepText;
    setMessage(
        QStringLiteral("%1 %2 / %3 KB").arg(step).arg(kilobytes(sent)).arg(kilobytes(total)));
}
