#pragma once

#include "JXWidget/JXDialog/JXDialog.h"

#include <atomic>

class JXWaitThread;

// A dialog that runs a job on a worker thread while it is shown. Callers call start(),
// then exec(). The job (run()) polls isStopped() and ends by emitting _close() (the dialog
// is accepted) or _exits() (rejected). Rejecting or closing the dialog asks the job to stop,
// calls interrupt() and waits for the worker before the dialog goes.
//
// A derived dialog whose run() or interrupt() uses its own members calls stopRun() in its
// own destructor: by the time this base destructor runs, those members are gone.
class JXWaitDialog : public JXDialog
{
    Q_OBJECT

public:
    explicit JXWaitDialog(QWidget *parent = nullptr);
    ~JXWaitDialog() override;

    // The job, on the worker thread. Never touches widgets: results go back through
    // signals, which reach the dialog queued on the GUI thread.
    virtual void run();
    // Called on the GUI thread when a stop is asked, while the job may be blocked; a job
    // blocked in an operation overrides it to break that operation.
    virtual void interrupt() {}

    // Stops a running job first, then starts the job on a new worker thread.
    void start();
    // Asks the job to stop, interrupts it and waits until the worker has ended.
    void stopRun();
    // True when no job runs or a stop was asked; the job polls it. Any thread.
    bool isStopped() const;

public slots:
    void reject() override;
    void onClose();
    void onExits();

signals:
    void _close();
    void _exits();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Owned; created, halted and deleted on the GUI thread, read by the job through
    // isStopped(). Null when no job runs.
    std::atomic<JXWaitThread *> thread{nullptr};
};
