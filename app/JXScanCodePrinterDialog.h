#pragma once

#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXDialog/JXDialog.h"
#include "app/OmbrixLabelLog.h"
#include "app/OmbrixLabelSerial.h"

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class OmbrixLabelPreviewWidget;

// The production-line screen: every carriage return from the hand-held scanner prints one
// device label with the model, the P2P identifier found in the scan and the serial number,
// which then advances. A scan that cannot be printed safely prints nothing and says why.
// No buttons: the window's close control ends it. Every label tried is recorded in the
// production run's label log; with the reprint question ticked (as it is unless turned
// off), a code printed before is printed again only when the operator says so, and no
// label is printed while its record cannot be written. The model and the next serial
// number outlive the program. Right of the fields, a panel shows the last label sent,
// drawn from the bytes the printer got. GUI thread only.
class JXScanCodePrinterDialog : public JXDialog, public JXLocalize
{
    Q_OBJECT

public:
    explicit JXScanCodePrinterDialog(QWidget *parent = nullptr);

    void languageChanged() override;

protected:
    // A carriage return reaching the dialog itself only sends the focus to the scan field;
    // no key reaches the dialog base, so Escape does not close the screen.
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // Only a carriage return in the scan field prints; one in any other field sends the
    // focus to the scan field. After a scan, the next key that types replaces the field's
    // text, so each scan is exactly what was typed since the last carriage return.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onScan();
    // Prints the label of a scan that passed every check, records it and advances the
    // serial number when it went out.
    void printScan(const QString &scan, const QString &code, bool reprint);
    // Leaves text in the scan field for the next scan to replace.
    void endScan(const QString &text);
    void storePaddings();
    void placeLabelPreview();
    void toast(const QString &text);
    // Asks whether a code printed before is to be printed again; "no" is the default.
    bool confirmReprint(const OmbrixLabelLog::Entry &earlier);
    void record(const QString &code, const QString &printer, double pitch, const QString &result);
    // True when labels can be recorded, reopening the log after a failure; shows or hides
    // the record warning.
    bool recordWritable();
    void updateRecordWarning();

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
    QLabel *recordWarning;                    // child; shown while labels cannot be recorded
    OmbrixLabelPreviewWidget *labelPreview;   // child
    std::unique_ptr<OmbrixLabelLog> labelLog; // owned; opened (and indexed) with the dialog
    OmbrixLabelSerial serialStore;            // the next serial number, kept across runs
    bool recordFailed = false;                // the log is closed or its last append failed
    bool scanEnded = false;                   // the scan field's text is the last scan's,
                                              // and nothing was typed since
};
