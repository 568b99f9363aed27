#pragma once

#include "JXWidget/JXDialog/JXDialog.h"
#include "Velto/VeltoDevice.h"

#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class VeltoDevicesWidget;

// The operator edits one device's IP configuration: DHCP, or a static address, netmask,
// gateway and two DNS servers. Set runs the change in a progress dialog and closes this one.
class VeltoDeviceIPInfoDialog : public JXDialog
{
    Q_OBJECT

public:
    explicit VeltoDeviceIPInfoDialog(QWidget *parent = nullptr);

    // Fills the fields from d and opens in DHCP mode when d reports "dhcp" in any case.
    void setDevice(const VeltoDevice &d, VeltoDevicesWidget *w);

    // The IPv4 rule: the text must scan as four decimal integers separated by dots, each at
    // most 255 read as unsigned (as C's "%d.%d.%d.%d" does: blanks and a sign before each
    // number, anything after the fourth ignored). On success dotted holds the plain dotted
    // quad of the four numbers, which is what a device is sent.
    static bool parseIpv4(const QString &text, QString *dotted);

public slots:
    void onComboBoxIndexChanged(int index);
    void onClickSetButton(bool checked);
    void onClickCancelButton(bool checked);

private:
    // Index of the combo box items.
    enum Mode
    {
        Dhcp = 0,
        Static = 1
    };
    static const int kFields = 5;

    QLabel *addLabel(const char *text, int y);
    void setDhcp();
    void setStatic(const QString values[kFields]);
    // True when values may be sent, as the dotted quads they now hold; otherwise the
    // operator has been told why, or declined.
    bool validate(QString values[kFields]);

    VeltoDevice device;                          // a copy
    VeltoDevicesWidget *devicesWidget = nullptr; // not owned; outlives the dialog
    QComboBox *modeBox;                          // child
    QLabel *labels[kFields];                     // children: IP, netmask, gateway, DNS 1, DNS 2
    QLineEdit *edits[kFields];                   // children, in the same order
    QPushButton *setButton;                      // child
    QPushButton *cancelButton;                   // child
};
