#pragma once

#include "JXUtils/JXThread.h"

class JXWaitDialog;

// The worker thread of a JXWaitDialog: runs the dialog's job once. Its stop flag is the
// dialog's stop request, which the job polls through JXWaitDialog::isStopped().
class JXWaitThread : public JXThread
{
public:
    explicit JXWaitThread(JXWaitDialog *dialog);

    // Not owned; the dialog outlives its thread (it halts and deletes it in stopRun()).
    JXWaitDialog *const dialog;

    void run() override;
};
