#include "UI/VeltoUpgradeWaitDialog.h"

#include "JXUtils/JXConfigure.h"
#include "JXUtils/JXLocalize.h"
#include "JXUtils/JXThread.h"
#include "Velto/VeltoSDK.h"
#include "Velto/VeltoUpgradeVerdict.h"

#include <QElapsedTimer>

namespace {
const qint64 kRoundMs = 5000;
const double kSearchSeconds = 1.0;
const int kPollMs = 50;
} // namespace

VeltoUpgradeWaitDialog::VeltoUpgradeWaitDialog(QWidget *parent)
    : VeltoDeviceSettingsDialog(parent),
      stepText(translate(QStringLiteral("Waiting for the upgraded devices")))
{
    setMessage(stepText);
}

VeltoUpgradeWaitDialog::~VeltoUpgradeWaitDialog()
{
    stopRun(); // the job reads this class's lists
}

void VeltoUpgradeWaitDialog::setDevices(const QVector<VeltoDevice> &devices,
                                        const QVector<int> &results, int seconds)
{
    this->devices = devices;
    this->results = results;
    this->seconds = seconds;
}

void VeltoUpgradeWaitDialog::run()
{
    answered = QVector<VeltoDevice>(devices.size());
    QElapsedTimer elapsed;
    elapsed.start();
    while (VeltoSDK::instance() && !isStopped()) {
        const qint64 roundStart = elapsed.elapsed();
        QVector<VeltoDevice> found;
        VeltoSDK::instance()->searchDevices(found, kSearchSeconds);
        const int waiting = VeltoUpgradeVerdict::takeAnswers(devices, results, found, answered);
        emit _setMessage(QStringLiteral("%1 %2/%3")
                             .arg(stepText)
                             .arg(devices.size() - waiting)
                             .arg(devices.size()));
        const qint64 next = roundStart + kRoundMs;
        if (waiting == 0 || next >= qint64(seconds) * 1000)
            break;
        while (!isStopped() && elapsed.elapsed() < next)
            JXThread::msleep(kPollMs);
    }
    emit _close();
}

QVector<VeltoDevice> VeltoUpgradeWaitDialog::verify(VeltoDevicesWidget *table,
                                                    const QVector<VeltoDevice> &devices,
                                                    const QVector<int> &results)
{
    VeltoUpgradeWaitDialog wait;
    wait.setDevices(devices, results, JXConfigure().upgradeVerifySeconds());
    wait.start();
    wait.exec();
    wait.stopRun();
    QVector<VeltoDevice> changes;
    for (int i = 0; i < devices.size() && i < wait.answered.size(); ++i) {
        if (VeltoUpgradeVerdict::isNewVersion(devices[i], wait.answered[i]))
            changes.append(changeFromAnswer(devices[i], wait.answered[i]));
    }
    wait.setDevicesWidget(table);
    wait.updateDevices(changes);
    return wait.answered;
}
