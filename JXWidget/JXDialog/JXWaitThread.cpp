#include "JXWidget/JXDialog/JXWaitThread.h"

#include "JXWidget/JXDialog/JXWaitDialog.h"

JXWaitThread::JXWaitThread(JXWaitDialog *dialog) : dialog(dialog)
{}

void JXWaitThread::run()
{
    if (dialog != nullptr)
        dialog->run();
}
