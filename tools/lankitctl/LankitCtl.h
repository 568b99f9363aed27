#pragma once

#include "Velto/VeltoDevice.h"
#include "Velto/VeltoSettingsCheck.h"

#include <QCommandLineParser>
#include <QJsonObject>
#include <QStringList>
#include <QVector>

#include <functional>

class OmbrixLabelRegister;
class VeltoSDK;

// lankitctl: the device protocol for scripts on production lines. Each run chooses the
// network as the program does, carries out one command on the devices named by MAC, and
// prints its result as JSON on standard output.
class LankitCtl
{
public:
    // Exit codes.
    static constexpr int kOk = 0;
    static constexpr int kFailed = 1; // a device failed, did not answer or was not found;
                                      // print-label: no label was printed
    static constexpr int kUsage = 2;
    // print-label: the label was printed but not recorded; printing it again would put a
    // second label on the device.
    static constexpr int kNotRecorded = 3;
    // print-label: the code was printed before and the reprint question is on (no
    // --reprint); recorded as skipped.
    static constexpr int kPrintedBefore = 4;
    // Longest search --seconds accepts: an hour.
    static constexpr double kMaxSearchSeconds = 3600;

    LankitCtl();
    int run(const QStringList &arguments);

private:
    using DeviceCommand = std::function<int(VeltoSDK *, const QVector<VeltoDevice> &)>;

    bool startProtocol();
    int search();
    int setIp();
    int setDhcp();
    int setName();
    int reset();
    int upgrade();
    int printLabel();
    // print-label with the serial number given (the station's own register only).
    int printTypedSerial(const QString &scan, const QString &model, const QString &serial);
    // print-label numbered by the register.
    int printFromRegister(OmbrixLabelRegister &reg, const QString &scan, const QString &model);
    int labels();
    // Searches every 5 s, for up to seconds, until every device whose result is 0 has
    // answered; each device's latest reply, or an empty record when it never answered.
    QVector<VeltoDevice> waitForDevices(const QVector<VeltoDevice> &devices,
                                        const QVector<int> &results, double seconds);
    // Looks the command line's devices up, runs command on them and prints its result.
    int applyToDevices(const DeviceCommand &command);
    // Finds every MAC of the command line; prints the error and returns false when one is
    // missing. everyDevice, when given, receives every device the search found.
    bool lookUp(QVector<VeltoDevice> &devices, QVector<VeltoDevice> *everyDevice = nullptr);
    // kOk when address may be sent to the command line's device (its texts then the
    // dotted quads sent), else the usage error printed for it.
    int refusedAddress(VeltoSettingsCheck::StaticAddress &address,
                       const QVector<VeltoDevice> &listed);
    QVector<VeltoDevice> searchNetwork();
    int finish(QJsonObject result, int code);
    int usage(const QString &message);
    QString required(const char *option);
    // Reads --seconds into searchSeconds; false when it is given but not a finite number
    // above 0 and at most kMaxSearchSeconds.
    bool readSearchSeconds();

    QCommandLineParser parser;
    QString command;
    QStringList macs;
    double searchSeconds = 0; // from --seconds; 0 for lankit's "search seconds"
};
