#pragma once

#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXDialog/JXDialog.h"
#include "app/OmbrixLabelLog.h"

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class OmbrixLabelPreviewWidget;

// The production-line screen: every carriage return from the hand-held scanner prints one
// device label with the model, the P2P identifier found in the scan and the serial number,
// which then advances. A scan that cannot be printed safely prints nothing and says why.
// No buttons: the window's close control ends it. Every label tried is recorded in the
// production run's label log; with the reprint question ticked, a code printed before is
// printed again only when the operator says so. Right of the fields, a panel shows the
// last label sent, drawn from the bytes the printer got. GUI thread only.
class JXScanCodePrinterDialog : public JXDialog, public JXLocalize
{
    Q_OBJECT

public:
    explicit JXScanCodePrinterDialog(QWidget *parent = nullptr);

    void languageChanged() override;

protected:
    // Acts on a carriage return only; no key reaches the dialog base, so Escape does not
    // close the screen.
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void onScan();
    void storePaddings();
    void placeLabelPreview();
    void toast(const QString &text);
    // Asks whether a code printed before is to be printed again; "no" is the default.
    bool confirmReprint(const OmbrixLabelLog::Entry &earlier);
    void record(const QString &code, const QString &printer, double pitch, const QString &result);

    QLabel *title;                            // child
    QLineEdit *scanField;                     // child
    QLabel *modelLabel;                       // child
    QLineEdit *modelField;                    // child
    QLabel *serialLabel;                      // child
    QLineEdit *serialField;                   // child
    QLabel *leftPaddingLabel;                 // child
    QLabel *topPaddingLabel;                  // child
    QLineEdit *leftPaddingField;              // child
    QLineEdit *topPaddingField;               // child
    QCheckBox *reprintQuestion;               // child
    OmbrixLabelPreviewWidget *labelPreview;   // child
    std::unique_ptr<OmbrixLabelLog> labelLog; // owned; opened (and indexed) with the dialog
};
