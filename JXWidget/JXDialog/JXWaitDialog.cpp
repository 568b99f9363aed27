#include "JXWidget/JXDialog/JXWaitDialog.h"

#include "JXWidget/JXDialog/JXWaitThread.h"

#include <QDebug>

JXWaitDialog::JXWaitDialog(QWidget *parent) : JXDialog(parent)
{
    connect(this, &JXWaitDialog::_close, this, &JXWaitDialog::onClose);
    connect(this, &JXWaitDialog::_exits, this, &JXWaitDialog::onExits);
}

JXWaitDialog::~JXWaitDialog()
{
    stopRun();
}

void JXWaitDialog::run()
{
    qDebug("JXWaitDialog run");
}

void JXWaitDialog::start()
{
    stopRun();
    JXThread::launch(thread, new JXWaitThread(this));
}

void JXWaitDialog::stopRun()
{
    // A job blocked in an operation sees the stop request only once interrupt() breaks it.
    JXThread::halt(thread, [this] { interrupt(); });
}

bool JXWaitDialog::isStopped() const
{
    const JXWaitThread *worker = thread;
    return worker == nullptr || worker->isStopRequested();
}

void JXWaitDialog::reject()
{
    stopRun();
    JXDialog::reject();
}

void JXWaitDialog::onClose()
{
    // The worker sends _close() as its last act. Joining it before the dialog returns
    // makes everything it wrote (a search's results) safe to read once exec() is back.
    JXThread::halt(thread);
    accept();
}

void JXWaitDialog::onExits()
{
    reject();
}

void JXWaitDialog::closeEvent(QCloseEvent *event)
{
    stopRun();
    JXDialog::closeEvent(event);
}
