#pragma once

#include "JXUtils/JXThreadLocker.h"
#include "Velto/VeltoDevice.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <atomic>
#include <functional>

class JXHttpUtils;

// A device's firmware upgrade over HTTP: where the file goes, what the device's answer
// means and how a result reads. VeltoSDK holds one and runs every upload through it; the
// upload itself blocks a worker thread, cancel() is meant for the GUI thread.
class VeltoFirmwareUpload
{
public:
    // Called with the bytes the device has taken so far and the total, on the uploading
    // thread.
    using Progress = std::function<void(qint64 sent, qint64 total)>;

    // Results of send() besides the device's own "Result".
    static constexpr int kBadAnswer = -3;      // not a JSON object, or "Result" not an int;
                                               // also unreadable file and cancel
    static constexpr int kHttpError = -4;      // an HTTP status outside 2xx
    static constexpr int kAnswerTooLarge = -5; // more than JXHttpUtils::kAnswerLimit
    static constexpr int kStalled = -6;        // no progress within the stall limit
    static constexpr int kBadAddress = -7;     // "ip" or "httpport" unusable; not sent
    static constexpr int kNotRegularFile = -8; // directory, FIFO, device; not sent
    static constexpr int kFailed = -9;         // refused, unreachable, reset
    static constexpr int kEmptyFile = -10;     // a file of 0 bytes; not sent

    VeltoFirmwareUpload();
    VeltoFirmwareUpload(const VeltoFirmwareUpload &) = delete;
    VeltoFirmwareUpload &operator=(const VeltoFirmwareUpload &) = delete;

    // Uploads file to the device's update.cgi; the device's "Result", or one of the
    // results above.
    int send(const VeltoDevice &device, const QString &file, const Progress &progress);
    // Ends the upload in progress. An upload that starts later on a worker thread whose
    // stop has been asked ends at once without sending.
    void cancel();
    // Stall limit of later uploads (JXHttpUtils::kDefaultStallMs unless set).
    void setStallMs(int milliseconds);

    // "http://<ip>:<httpport>/update.cgi", or empty when "ip" is not a plain dotted IPv4
    // unicast address (loopback, multicast, broadcast and 0.0.0.0 refused) or "httpport"
    // not a decimal number from 1 to 65535.
    static QString url(const VeltoDevice &device);
    // The "Result" of a device's answer: 0 when the object has none, its value when it is
    // an integer in int range (a JSON number or decimal text), else kBadAnswer.
    static int result(const QJsonObject &answer);
    // What a result of send() means, in English, for logs and scripts.
    static QString resultText(int result);

private:
    // Publishes upload; false when the calling worker's stop has been asked.
    bool setCurrent(JXHttpUtils *upload);
    static int result(const JXHttpUtils &http, const QByteArray &body);

    JXThreadLocker lock;            // serialises current with cancel()
    JXHttpUtils *current = nullptr; // the running upload, on its thread's stack; lock
    std::atomic<int> stallMs;       // stall limit of the next upload
};
