#pragma once

#include "JXWidget/JXDialog/JXDialog.h"

class QLabel;
class QPushButton;

// A modal message with an accepting and a rejecting button, sized to its text.
class JXAlertDialog : public JXDialog
{
    Q_OBJECT

public:
    explicit JXAlertDialog(QWidget *parent = nullptr);

    // Sets the message and the button texts and sizes the dialog to the message: 300 wide
    // while the message is narrower than 200, else the message width + 100; 140 high while
    // it is lower than 40, else the message height + 100.
    void setContent(const QString &text, const QString &okText, const QString &cancelText);
    // Makes the rejecting button the one a carriage return presses, for questions whose
    // safe answer is no.
    void makeCancelDefault();

    // Runs a parentless alert; 1 when accepted, 0 when rejected.
    static int question(const QString &text, const QString &okText, const QString &cancelText);
    // question() with the localized "Ok" and "Cancel".
    static int information(const QString &text);
    // Runs a parentless alert with the localized "Ok" alone, for news that has no choice.
    static void tell(const QString &text);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QLabel *message;           // child
    QPushButton *okButton;     // child
    QPushButton *cancelButton; // child
};
