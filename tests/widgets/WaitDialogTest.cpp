#include "JXWidget/JXDialog/JXProgressDialog.h"
#include "JXWidget/JXDialog/JXWaitDialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>

namespace {

// A wait dialog whose job is given by the test; it records what the job and the dialog saw.
class JobDialog : public JXWaitDialog
{
public:
    ~JobDialog() override { stopRun(); }

    void run() override
    {
        jobThread = QThread::currentThread();
        ++runs;
        if (job)
            job(*this);
        ++jobsEnded;
    }
    void interrupt() override
    {
        interruptThread = QThread::currentThread();
        ++interrupts;
        released = true;
    }

    // Polls isStopped() like a real job, then takes a little longer to wind down.
    void untilStopped()
    {
        while (!isStopped())
            QThread::msleep(1);
        QThread::msleep(50);
    }

    std::function<void(JobDialog &)> job;
    std::atomic<QThread *> jobThread{nullptr};
    std::atomic<int> runs{0};
    std::atomic<int> jobsEnded{0};
    std::atomic<bool> released{false};
    QThread *interruptThread = nullptr;
    int interrupts = 0;
    int jobsEndedWhenHidden = -1;

protected:
    void hideEvent(QHideEvent *event) override
    {
        jobsEndedWhenHidden = jobsEnded;
        JXWaitDialog::hideEvent(event);
    }
};

// Runs act on the dialog once its exec() has shown it.
void onceShown(JobDialog &dialog, std::function<void()> act)
{
    QTimer::singleShot(0, &dialog, [&dialog, act] {
        if (QTest::qWaitForWindowExposed(&dialog, 5000))
            QTest::qWait(50);
        act();
    });
}

bool waitFor(std::function<bool()> condition)
{
    return QTest::qWaitFor(condition, 10000);
}

} // namespace

TEST(JXWaitDialog, JobRunsOnAWorkerAndCloseAccepts)
{
    JobDialog dialog;
    dialog.job = [](JobDialog &d) {
        emit d._close();
    };
    EXPECT_TRUE(dialog.isStopped()) << "no job yet";
    dialog.start();
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.runs.load(), 1);
    EXPECT_NE(dialog.jobThread.load(), nullptr);
    EXPECT_NE(dialog.jobThread.load(), QThread::currentThread());
    EXPECT_EQ(dialog.interrupts, 0);
}

TEST(JXWaitDialog, ExitsRejects)
{
    JobDialog dialog;
    dialog.job = [](JobDialog &d) {
        emit d._exits();
    };
    dialog.start();
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}

TEST(JXWaitDialog, CloseControlStopsTheJobBeforeTheDialogCloses)
{
    JobDialog dialog;
    std::atomic<bool> sawRunning{false};
    dialog.job = [&](JobDialog &d) {
        sawRunning = !d.isStopped();
        d.untilStopped();
    };
    dialog.start();
    onceShown(dialog, [&] {
        // What the window's close button does: a close event on the platform window.
        QCloseEvent close;
        QCoreApplication::sendEvent(dialog.windowHandle(), &close);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_TRUE(sawRunning);
    EXPECT_EQ(dialog.jobsEndedWhenHidden, 1) << "the job ends before the dialog goes";
    EXPECT_EQ(dialog.interrupts, 1);
    EXPECT_EQ(dialog.interruptThread, QThread::currentThread());
    EXPECT_TRUE(dialog.isStopped());
}

TEST(JXWaitDialog, EscapeStopsTheJobBeforeTheDialogCloses)
{
    JobDialog dialog;
    dialog.job = [](JobDialog &d) {
        d.untilStopped();
    };
    dialog.start();
    onceShown(dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(dialog.jobsEndedWhenHidden, 1);
    EXPECT_EQ(dialog.interrupts, 1);
}

TEST(JXWaitDialog, InterruptBreaksAJobThatDoesNotPoll)
{
    JobDialog dialog;
    dialog.job = [](JobDialog &d) {
        while (!d.released)
            QThread::msleep(1);
    };
    dialog.start();
    ASSERT_TRUE(waitFor([&] { return dialog.runs == 1; }));
    dialog.stopRun();
    EXPECT_EQ(dialog.jobsEnded.load(), 1);
    EXPECT_EQ(dialog.interrupts, 1);
    dialog.stopRun();
    EXPECT_EQ(dialog.interrupts, 1) << "nothing left to stop";
}

TEST(JXWaitDialog, SecondStartStopsTheFirstJob)
{
    JobDialog dialog;
    std::atomic<int> started{0};
    dialog.job = [&](JobDialog &d) {
        ++started;
        d.untilStopped();
    };
    dialog.start();
    ASSERT_TRUE(waitFor([&] { return started == 1; }));
    EXPECT_FALSE(dialog.isStopped());
    dialog.start();
    EXPECT_EQ(dialog.jobsEnded.load(), 1) << "the first job ended before start() returned";
    EXPECT_EQ(dialog.interrupts, 1);
    ASSERT_TRUE(waitFor([&] { return started == 2; }));
    EXPECT_FALSE(dialog.isStopped());
    dialog.stopRun();
    EXPECT_EQ(dialog.jobsEnded.load(), 2);
    EXPECT_TRUE(dialog.isStopped());
}

TEST(JXWaitDialog, DefaultJobLogsFromItsOwnSource)
{
    static QString file;
    static QString message;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &context, const QString &m) {
            if (m == QLatin1String("JXWaitDialog run")) {
                file = QString::fromUtf8(context.file);
                message = m;
            }
        });
    {
        JXWaitDialog dialog;
        dialog.start();
        dialog.stopRun();
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(message, "JXWaitDialog run");
    EXPECT_TRUE(file.endsWith("JXWidget/JXDialog/JXWaitDialog.cpp")) << file.toStdString();
}

TEST(JXWaitDialog, DestroyingStopsARunningJob)
{
    std::atomic<int> ended{0};
    {
        JobDialog dialog;
        dialog.job = [&](JobDialog &d) {
            d.untilStopped();
            ++ended;
        };
        dialog.start();
        ASSERT_TRUE(waitFor([&] { return dialog.runs == 1; }));
    }
    EXPECT_EQ(ended.load(), 1);
}

TEST(JXProgressDialog, JobReportsMessageAndProgressThroughItsSignals)
{
    class Searching : public JXProgressDialog
    {
    public:
        ~Searching() override { stopRun(); }
        void run() override
        {
            emit _setMessage("Searching devices");
            emit _setProgress(0.5f);
            emit _close();
        }
    } dialog;
    EXPECT_EQ(dialog.size(), QSize(300, 60));
    const auto *bar = dialog.findChild<QProgressBar *>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 0) << "a busy bar";
    dialog.start();
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.message(), "Searching devices");
    EXPECT_EQ(dialog.progressValue(), 50);

    dialog.show();
    dialog.resize(400, 80);
    EXPECT_EQ(dialog.findChild<QLabel *>()->geometry(), QRect(5, 10, 390, 30));
    EXPECT_EQ(bar->geometry(), QRect(5, 40, 390, 10));
}
