#pragma once

#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXDialog/JXDialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Chooses the label printer among the system's printer queues and edits the label
// geometry. "Save" validates, stores everything in the configuration and accepts; the
// window's close control stores nothing. GUI thread only.
class JXPrinterSettingsDialog : public JXDialog, public JXLocalize
{
    Q_OBJECT

public:
    explicit JXPrinterSettingsDialog(QWidget *parent = nullptr);

    void languageChanged() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // One label with its field; both are children of the dialog.
    struct Row
    {
        const char *text;
        QLabel *label;
        QLineEdit *field;
    };
    enum RowIndex
    {
        Width,
        Height,
        Column,
        Padding,
        Left,
        Right,
        Top,
        Bottom,
        RowCount
    };

    void fillFields();
    void fillPrinters(const QString &configured);
    void save();
    int layoutRows(int first, int last, int x, int y, int labelWidth);
    void measureLabels(int &leftWidth, int &rightWidth);
    void fitMinimumWidth();

    QLabel *printerLabel;    // child
    QComboBox *printerList;  // child
    Row rows[RowCount];      // children
    QPushButton *saveButton; // child
};
