#include "JXWidget/JXDialog/JXWaitDialog.h"

#include "JXWidget/JXDialog/JXWaitThread.h"

#include <QDebug>

namespace {
// How often stopRun() looks whether the worker has ended, in milliseconds.
const unsigned long kStopPollMilliseconds = 1;
} // namespace

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
    auto *worker = new JXWaitThread(this);
    thread = worker;
    worker->start(QThread::InheritPriority);
}

void JXWaitDialog::stopRun()
{
    JXWaitThread *worker = thread;
    if (worker == nullptr)
        return;
    worker->stopRequested = true;
    interrupt();
    while (worker->isRunning())
        QThread::msleep(kStopPollMilliseconds);
    thread = nullptr;
    delete worker;
}

bool JXWaitDialog::isStopped() const
{
    const JXWaitThread *worker = thread;
    return worker == nullptr || worker->stopRequested;
}

void JXWaitDialog::reject()
{
    stopRun();
    JXDialog::reject();
}

void JXWaitDialog::onClose()
{
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
