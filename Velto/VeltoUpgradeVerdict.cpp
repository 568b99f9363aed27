#include "Velto/VeltoUpgradeVerdict.h"

VeltoUpgradeVerdict::Verdict VeltoUpgradeVerdict::of(const VeltoDevice &before,
                                                     const VeltoDevice &after, int result)
{
    if (result != 0)
        return UploadFailed;
    if (after.mac().isEmpty())
        return DidNotComeBack;
    if (versionOf(after) == versionOf(before))
        return SameVersion;
    return Upgraded;
}

QString VeltoUpgradeVerdict::key(Verdict verdict)
{
    switch (verdict) {
    case Upgraded:
        return QStringLiteral("upgraded");
    case SameVersion:
        return QStringLiteral("same version");
    case DidNotComeBack:
        return QStringLiteral("did not come back");
    case UploadFailed:
        break;
    }
    return QStringLiteral("upload failed");
}

QString VeltoUpgradeVerdict::versionOf(const VeltoDevice &device)
{
    return device.mac().isEmpty() ? QString() : device.value(QStringLiteral("appVersion"));
}

// A device that still runs its old firmware may answer before it restarts, so an answer
// with the old version settles nothing: the device is asked again every round, and its
// record is the one of the latest round (empty when it was silent). Only an answer with
// another version ends the wait for it.
int VeltoUpgradeVerdict::takeAnswers(const QVector<VeltoDevice> &devices,
                                     const QVector<int> &results, const QVector<VeltoDevice> &found,
                                     QVector<VeltoDevice> &answered)
{
    answered.resize(devices.size());
    int waiting = 0;
    for (int i = 0; i < devices.size(); ++i) {
        if (results.value(i, -1) != 0 || isNewVersion(devices[i], answered[i]))
            continue;
        answered[i] = VeltoDevice::findMac(found, devices[i].mac());
        if (!isNewVersion(devices[i], answered[i]))
            ++waiting;
    }
    return waiting;
}

bool VeltoUpgradeVerdict::isNewVersion(const VeltoDevice &before, const VeltoDevice &after)
{
    return !after.mac().isEmpty() && versionOf(after) != versionOf(before);
}
