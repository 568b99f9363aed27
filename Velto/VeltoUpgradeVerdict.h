#pragma once

#include "Velto/VeltoDevice.h"

#include <QString>
#include <QVector>

// How one device came out of a firmware upgrade, judged from its search record before the
// upload, its reply afterwards and the upload's result. The result dialog and lankitctl
// both judge with it, so that they name a device's outcome alike.
class VeltoUpgradeVerdict
{
public:
    enum Verdict
    {
        Upgraded,
        SameVersion,
        DidNotComeBack,
        UploadFailed
    };

    // after has no MAC when the device did not answer again.
    static Verdict of(const VeltoDevice &before, const VeltoDevice &after, int result);
    // "upgraded", "same version", "did not come back" or "upload failed": what the log and
    // lankitctl's JSON write, and the language key of the text shown.
    static QString key(Verdict verdict);
    // The firmware version a record reports; empty for a device that did not answer.
    static QString versionOf(const VeltoDevice &device);
    // Whether after is an answer whose version differs from before's.
    static bool isNewVersion(const VeltoDevice &before, const VeltoDevice &after);
    // One round of waiting for upgraded devices to answer again with a new version: sets
    // answered[i] to this round's reply for devices[i] (by MAC, in either letter case; an
    // empty record when it was silent), unless an earlier round already brought a new
    // version. Returns how many are still awaited. Devices whose upload failed
    // (results[i] != 0) are not awaited.
    static int takeAnswers(const QVector<VeltoDevice> &devices, const QVector<int> &results,
                           const QVector<VeltoDevice> &found, QVector<VeltoDevice> &answered);
};
