#pragma once

#include <QThread>

#include <atomic>

class JXWaitDialog;

// The worker thread of a JXWaitDialog: runs the dialog's job once.
class JXWaitThread : public QThread
{
    Q_OBJECT

public:
    explicit JXWaitThread(JXWaitDialog *dialog);

    // Not owned; the dialog outlives its thread (it joins and deletes it in stopRun()).
    JXWaitDialog *const dialog;
    // Set by the GUI thread to ask the job to end; read by the job through isStopped().
    std::atomic<bool> stopRequested{false};

protected:
    void run() override;
};
