#pragma once

#include "JXUtils/JXLocalize.h"
#include "JXWidget/JXDialog/JXDialog.h"

class QComboBox;
class QLabel;

// The program's version and build date, and the language and hardware decoding choices.
// Every choice is stored the moment it is made; the dialog has no OK button.
class JXSettingsDialog : public JXDialog, public JXLocalize
{
    Q_OBJECT

public:
    explicit JXSettingsDialog(QWidget *parent = nullptr);

    QComboBox *languageBox() const { return languageCombo; }
    QComboBox *hardwareBox() const { return hardwareCombo; }

    void languageChanged() override;

public slots:
    void onLanguageChanged(int index);
    void onHardwareChanged(int index);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setTexts();

    QLabel *versionCaption;   // child
    QLabel *versionValue;     // child
    QLabel *buildDateCaption; // child
    QLabel *buildDateValue;   // child
    QLabel *languageCaption;  // child
    QComboBox *languageCombo; // child; 0 English, 1 Chinese
    QLabel *hardwareCaption;  // child
    QComboBox *hardwareCombo; // child; 0 On, 1 Off
};
