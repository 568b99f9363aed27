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
