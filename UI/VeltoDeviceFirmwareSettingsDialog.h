#pragma once

#include "UI/VeltoDeviceSettingsDialog.h"

#include <QString>
#include <QVector>

#include <atomic>

// Uploads one firmware file to each listed device in turn, showing the bytes it has taken. Closing
// the dialog cancels the upload under way, so the operator never waits on a device that
// has stopped reading.
class VeltoDeviceFirmwareSettingsDialog : public VeltoDeviceSettingsDialog
{
    Q_OBJECT

public:
    explicit VeltoDeviceFirmwareSettingsDialog(QWidget *parent = nullptr);
    ~VeltoDeviceFirmwareSettingsDialog() override;

    // files[i] is the local path uploaded to devices[i].
    void setSettings(const QVector<VeltoDevice> &devices, const QVector<QString> &files);

    void run() override;
    // Each device's upload result (0 when it took the file; kNotSent when the run ended
    // before it). Read after stopRun(), when the job has ended.
    QVector<int> uploadResults() const { return results; }
    static constexpr int kNotSent = -1000;

    // Ends a reply wait and the upload under way. GUI thread.
    void interrupt() override;

signals:
    // Bytes of the request the device has taken so far and in all; emitted on the worker
    // thread.
    void _uploadProgress(qint64 sent, qint64 total);

private slots:
    void showUploadProgress(qint64 sent, qint64 total);

private:
    int upload(const VeltoDevice &device, const QString &file);
    void reportProgress(qint64 sent, qint64 total);

    // Set on the GUI thread before start(); read by the job.
    QVector<VeltoDevice> devices;
    QVector<QString> files;
    QVector<int> results; // written by the job only while it runs
    QString stepText;     // translated on the GUI thread, shown before the numbers
    // Worker thread only: the last whole percent reported, so that a large file does not
    // flood the GUI thread with one report per network write.
    int reportedPercent = -1;
    // Which device of several is being sent ("3/8"), 1-based; 0 for a single device.
    // Written by the job before each upload, read by the GUI thread.
    std::atomic<int> deviceNumber{0};
};
