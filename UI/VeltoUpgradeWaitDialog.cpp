#include "UI/VeltoUpgradeWaitDialog.h"

#include "JXUtils/JXLocalize.h"
#include "Velto/VeltoSDK.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

namespace {
const qint64 kRoundMs = 5000;
const double kSearchSeconds = 1.0;
const unsigned long kPollMs = 50;
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
        int waiting = 0;
        for (int i = 0; i < devices.size(); ++i) {
            if (results.value(i, -1) != 0 || !answered[i].mac().isEmpty())
                continue;
            const auto match = std::find_if(found.begin(), found.end(), [&](const VeltoDevice &d) {
                return d.mac().compare(devices[i].mac(), Qt::CaseInsensitive) == 0;
            });
            if (match != found.end())
                answered[i] = *match;
            else
                ++waiting;
        }
        emit _setMessage(QStringLiteral("%1 %2/%3")
                             .arg(stepText)
                             .arg(devices.size() - waiting)
                             .arg(devices.size()));
        const qint64 next = roundStart + kRoundMs;
        if (waiting == 0 || next >= qint64(seconds) * 1000)
            break;
        while (!isStopped() && elapsed.elapsed() < next)
            QThread::msleep(kPollMs);
    }
    emit _close();
}
