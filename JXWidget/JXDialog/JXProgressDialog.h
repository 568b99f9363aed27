#pragma once

#include "JXWidget/JXDialog/JXWaitDialog.h"

class QLabel;
class QProgressBar;

// A wait dialog with a message line and a busy bar. The job reports through the signals
// _setMessage and _setProgress, which reach the widgets on the GUI thread.
class JXProgressDialog : public JXWaitDialog
{
    Q_OBJECT

public:
    explicit JXProgressDialog(QWidget *parent = nullptr);

    // The bar's range; 0 to 0 (the default) shows a busy bar without a value.
    void setProgressRange(int minimum, int maximum);

    QString message() const;
    int progressValue() const;

public slots:
    // p from 0 to 1.
    void setProgress(float p);
    void setMessage(const QString &msg);

signals:
    void _setProgress(float progress);
    void _setMessage(QString msg);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QLabel *messageLabel; // child
    QProgressBar *bar;    // child
};
