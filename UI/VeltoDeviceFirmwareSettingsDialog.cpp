#include "UI/VeltoDeviceFirmwareSettingsDialog.h"

#include "JXUtils/JXLocalize.h"
#include "Velto/VeltoSDK.h"
#include "Velto/VeltoSettingsCheck.h"

#include <QDebug>

#include <algorithm>

namespace {
qint64 kilobytes(qint64 bytes)
{
    return (bytes + 1023) / 1024;
}

// Why an upload failed, in words for the operator (translated when shown); empty for a
// device's own result, which is shown as its number.
QString failureReason(int result)
{
    switch (result) {
    case VeltoFirmwareUpload::kBadAddress:
        return QStringLiteral("the device reports no usable address");
    case VeltoFirmwareUpload::kNotRegularFile:
        return VeltoSettingsCheck::text(VeltoSettingsCheck::NotRegularFile);
    case VeltoFirmwareUpload::kEmptyFile:
        return VeltoSettingsCheck::text(VeltoSettingsCheck::EmptyFile);
    case VeltoFirmwareUpload::kBadAnswer:
        return QStringLiteral("no readable answer from the device");
    case VeltoFirmwareUpload::kHttpError:
        return QStringLiteral("the device answered with an HTTP error");
    case VeltoFirmwareUpload::kAnswerTooLarge:
        return QStringLiteral("the device's answer is too large");
    case VeltoFirmwareUpload::kStalled:
        return QStringLiteral("no progress: the device stopped reading or did not answer");
    case VeltoFirmwareUpload::kFailed:
        return QStringLiteral("the connection failed");
    default:
        return QString();
    }
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
    const VeltoSettingsCheck::Verdict verdict = VeltoSettingsCheck::checkFirmwareFile(file);
    if (verdict != VeltoSettingsCheck::Ok) {
        qDebug("firmware %s not sent to %s: %s", qUtf8Printable(file), qUtf8Printable(device.mac()),
               qUtf8Printable(VeltoSettingsCheck::text(verdict)));
        noteFailure(device, VeltoSettingsCheck::text(verdict));
        return verdict == VeltoSettingsCheck::NotRegularFile ? VeltoFirmwareUpload::kNotRegularFile
               : verdict == VeltoSettingsCheck::EmptyFile    ? VeltoFirmwareUpload::kEmptyFile
                                                             : VeltoFirmwareUpload::kBadAnswer;
    }
    reportedPercent = -1;
    const int result = VeltoSDK::instance()->setDeviceFirmware(
        device, file, [this](qint64 sent, qint64 total) { reportProgress(sent, total); });
    if (result == 0) {
        qDebug("firmware %s upgraded on %s", qUtf8Printable(file), qUtf8Printable(device.mac()));
        return result;
    }
    qDebug("firmware %s not upgraded on %s: %s, result %d", qUtf8Printable(file),
           qUtf8Printable(device.mac()), isStopped() ? "cancelled" : "failed", result);
    const QString reason = failureReason(result);
    if (reason.isEmpty())
        noteFailure(device, QStringLiteral("refused by the device"),
                    QStringLiteral(" (%1)").arg(result));
    else
        noteFailure(device, reason);
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
