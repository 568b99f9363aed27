#pragma once

#include "JXWidget/JXDialog/JXBackgournd.h"

#include <QDialog>
#include <QString>

class JXLabel;

// Base of the program's dialogs: a painted background and a transient toast message.
class JXDialog : public QDialog, public JXBackgournd
{
    Q_OBJECT

public:
    explicit JXDialog(QWidget *parent = nullptr);

    // Shows text over the dialog for 2 s (10 ms after a click on it), replacing the toast
    // shown before; placed as JXToast places its messages. GUI thread only.
    void showToast(const QString &text, Qt::Alignment alignment, int marginX, int marginY);
    // Distance of a hint toast from the dialog's edge, as every dialog shows its hints.
    static constexpr int kToastMargin = 5;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void removeToast();

    JXLabel *toast = nullptr; // owned child; null when none is shown
};
