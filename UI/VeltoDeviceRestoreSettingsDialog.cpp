#include "UI/VeltoDeviceRestoreSettingsDialog.h"

#include "Velto/VeltoSDK.h"

#include <QDebug>
#include <QElapsedTimer>

namespace {
// A reset camera restarts with its factory settings, its address among them. It is
// searched for in rounds of this length until it answers or the wait ends.
const double kSearchSeconds = 1.0;
const qint64 kAnswerWaitMs = 20000;
} // namespace

VeltoDeviceRestoreSettingsDialog::VeltoDeviceRestoreSettingsDialog(QWidget *parent)
    : VeltoDeviceSettingsDialog(parent)
{}

VeltoDeviceRestoreSettingsDialog::~VeltoDeviceRestoreSettingsDialog()
{
    stopRun(); // the job reads this class's list
}

void VeltoDeviceRestoreSettingsDialog::setSettings(const QVector<VeltoDevice> &devices)
{
    this->devices = devices;
}

void VeltoDeviceRestoreSettingsDialog::run()
{
    VeltoSDK *sdk = VeltoSDK::instance();
    if (sdk && noteResult(devices, sdk->resetDevices(devices)))
        updateDevices(askAgain());
    emit _close();
}

// The row no longer says what the device holds: its name and network settings are the
// factory ones now. A device that stays silent keeps its row as it was, which the log
// says.
QVector<VeltoDevice> VeltoDeviceRestoreSettingsDialog::askAgain()
{
    QVector<VeltoDevice> answers(devices.size());
    int waiting = devices.size();
    QElapsedTimer elapsed;
    elapsed.start();
    while (waiting > 0 && !isStopped() && elapsed.elapsed() < kAnswerWaitMs) {
        QVector<VeltoDevice> found;
        VeltoSDK::instance()->searchDevices(found, kSearchSeconds);
        for (int i = 0; i < devices.size(); ++i) {
            if (answers[i].hasMac())
                continue;
            answers[i] = VeltoDevice::findMac(found, devices[i].mac());
            waiting -= answers[i].hasMac() ? 1 : 0;
        }
    }
    QVector<VeltoDevice> changes;
    for (int i = 0; i < devices.size(); ++i) {
        if (answers[i].hasMac())
            changes.append(changeFromAnswer(devices[i], answers[i]));
        else
            qDebug("%s did not answer after the restore; its row keeps the old values",
                   qUtf8Printable(devices[i].mac()));
    }
    return changes;
}
