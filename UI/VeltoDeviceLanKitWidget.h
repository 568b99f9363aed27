#pragma once

#include "JXUtils/JXLocalize.h"
#include "UI/VeltoDeviceContentWidget.h"

class JXLabel;
class QLabel;
class QLineEdit;
class QPushButton;

// The device panel: the selected device's name (editable), IP address with its mode and
// firmware version, and the four operations on it (name, IP, firmware, factory restore),
// each run in its own modal dialog. The panel itself sends nothing.
class VeltoDeviceLanKitWidget : public VeltoDeviceContentWidget, public JXLocalize
{
    Q_OBJECT

public:
    explicit VeltoDeviceLanKitWidget(QWidget *parent = nullptr);

    // Shows d; everything is disabled when d has no MAC.
    void setDevice(const VeltoDevice &d) override;
    void languageChanged() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void onSetName();
    void onSetIp();
    void onUpgradeFirmware();
    void onRestore();

private:
    void setTexts();
    void layoutChildren();
    // Shows the values at the width of their labels; the whole text is the tooltip.
    void showValues();

    // Children, in tab order.
    QLabel *title;
    QLabel *nameLabel;
    QLineEdit *nameEdit;
    QPushButton *nameButton;
    QLabel *ipLabel;
    QLabel *ipValue;
    QPushButton *ipButton;
    QLabel *firmwareLabel;
    JXLabel *firmwareValue;
    QPushButton *upgradeButton;
    QPushButton *restoreButton;

    QString ipText;       // the whole "address(mode)" text, or empty
    QString firmwareText; // the whole version text
};
