#include "Velto/VeltoUpgradeVerdict.h"

#include <algorithm>

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

int VeltoUpgradeVerdict::takeAnswers(const QVector<VeltoDevice> &devices,
                                     const QVector<int> &results, const QVector<VeltoDevice> &found,
                                     QVector<VeltoDevice> &answered)
{
    answered.resize(devices.size());
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
    return waiting;
}
